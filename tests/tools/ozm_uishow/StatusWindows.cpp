#include "StatusWindows.h"

#include "KeyNumber.h"
#include "About.h"
#include "Status.h"
#include "UpdateNotify.h"
#include "fake/CountingWarningSound.h"
#include "fake/ScriptedWifiNameProbe.h"

#include <ClientConfig.h>
#include <Location.h>
#include <NetworkCtlClient.h>

#include <QApplication>
#include <QTimer>
#include <climits>

namespace {

constexpr int StepMs = 300;

// The backend's report as the window reads it: connected, with this network.
void feedNetwork(const StatusWindows::Keys& keys, QString* error)
{
    int security = 0;
    if (!numberInRange(keys.value("wifisec", "0"), 0, 4, &security))
        *error = "wifisec takes 0 to 4";
    const QString secured = keys.value("secured", "off");
    if (secured != "on" && secured != "off")
        *error = "secured takes on or off";
    NetworkCtlClient::initDetachedInstance(qApp)->takeReport(
        {"0", secured == "on" ? "1" : "0", "1", keys.value("conntype", NetworkCtlClient::CONNECTION_WIRED),
         keys.value("wifi"), QString::number(security), "1", "1"});
}

bool readLocation(const QString& text, Location* location)
{
    if (text == "identifying") {
        *location = Location();
    } else if (text == "unknown") {
        *location = Location{"", "", ""};
    } else {
        const int bar = text.indexOf('|');
        if (bar < 0)
            return false;
        *location = Location{text.left(bar), text.mid(bar + 1), ""};
    }
    return true;
}

} // namespace

std::unique_ptr<QWidget> StatusWindows::showStatus(const Keys& keys, QString* error)
{
    feedNetwork(keys, error);
    auto status = std::make_unique<Status>(nullptr, std::make_unique<ScriptedWifiNameProbe>(),
                                           std::make_unique<CountingWarningSound>());
    if (keys.contains("location")) {
        Location location;
        if (!readLocation(keys.value("location"), &location))
            *error = "location takes IP|DESC, identifying or unknown";
        status->setLocation(location);
    }
    if (keys.contains("server"))
        status->setActivatingServer(keys.value("server"));
    QList<int> states;
    for (const QString& text : keys.value("states", keys.value("state", "2")).split(',')) {
        int state = 0;
        if (!numberInRange(text, 0, 5, &state))
            *error = "state and states take 0 to 5";
        states << state;
    }
    status->setActivationState(ActivationState(states.takeFirst()));
    status->displayByManualClick();
    auto* steps = new QTimer(status.get());
    QObject::connect(steps, &QTimer::timeout, status.get(), [steps, states, window = status.get()]() mutable {
        if (states.isEmpty())
            return steps->stop();
        window->setActivationState(ActivationState(states.takeFirst()));
    });
    steps->start(StepMs);
    return status;
}

std::unique_ptr<QWidget> StatusWindows::showAbout(const Keys&, QString*)
{
    auto about = std::make_unique<About>();
    about->display();
    return about;
}

std::unique_ptr<QWidget> StatusWindows::showUpdate(const Keys& keys, QString* error)
{
    int version = 0;
    if (!numberInRange(keys.value("version", "5400"), 0, INT_MAX, &version))
        *error = "version takes a number";
    if (keys.contains("hidden")) {
        int hidden = 0;
        if (!numberInRange(keys.value("hidden"), 0, INT_MAX, &hidden))
            *error = "hidden takes a number";
        ClientConfig::instanceClient()->setLastHiddenVersion(hidden);
    }
    auto update = std::make_unique<UpdateNotify>(
        keys.value("description", "Faster connections and a clearer status window."), "https://example.invalid/ozm.dmg",
        version);
    // The tool owns the window: closing it only hides it.
    update->setAttribute(Qt::WA_DeleteOnClose, false);
    update->display();
    return update;
}
