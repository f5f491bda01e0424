#include "DiagnosticsWindows.h"

#include "KeyNumber.h"
#include "HelpTestTab.h"

#include <ClientAuthData.h>
#include <ConnectivityTestReportDlg.h>
#include <EnablingWiFiDlg.h>
#include <NetworkCtlClient.h>
#include <SendReport.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>

namespace {

VpnServer serverOf(const QString& text, QString* error)
{
    VpnServer server;
    if (text.isEmpty())
        return server;
    const QStringList parts = text.split('|');
    if (parts.size() != 5) {
        *error = "server takes NAME|CITY|STATE|COUNTRY|HOST";
        return server;
    }
    server.name = parts[0];
    server.city = parts[1];
    server.state = parts[2];
    server.country = parts[3];
    server.host = parts[4];
    return server;
}

// The results of a run as the keys give them.
SharedTestResults resultsOf(const DiagnosticsWindows::Keys& keys, QString* error)
{
    auto results = std::make_shared<TestResultsContainer>();
    const QString passed = keys.value("passed", "gdplc");
    for (const QChar letter : passed)
        if (!QString("gdplc").contains(letter))
            *error = "passed takes the letters g, d, p, l and c";
    results->httpOk = passed.contains('g');
    results->dnsOk = passed.contains('d');
    results->publicDnsPingOk = passed.contains('p');
    results->nslookupOk = passed.contains('l');
    results->confirmOk = passed.contains('c');
    const QString wifi = keys.value("wifi", "none");
    if (!QStringList{"none", "off", "on"}.contains(wifi))
        *error = "wifi takes none, off or on";
    results->wifiAdapterPresent = wifi != "none";
    results->wifiAdapterOn = wifi == "on";
    return results;
}

} // namespace

std::unique_ptr<QWidget> DiagnosticsWindows::showResults(const Keys& keys, QString* error)
{
    const QString docked = keys.value("docked", "0");
    if (docked != "0" && docked != "1")
        *error = "docked takes 0 or 1";
    // The network's name comes from the backend's last report.
    NetworkCtlClient::initDetachedInstance(qApp)->takeReport(
        {"0", "0", "1", NetworkCtlClient::CONNECTION_WPA_2_WIFI_ENCRYPTION, keys.value("ssid"), "0", "1", "1"});
    std::unique_ptr<QWidget> tab;
    if (docked == "1")
        tab = std::make_unique<HelpTestTab>(QSize(680, 560));
    auto dialog = std::make_unique<ConnectivityTestReportDlg>();
    dialog->setResults(resultsOf(keys, error), serverOf(keys.value("server"), error));
    dialog->display();
    if (!tab)
        return dialog;
    // The tab's page holds it now.
    static_cast<void>(dialog.release());
    return tab;
}

std::unique_ptr<QWidget> DiagnosticsWindows::showSendReport(const Keys& keys, QString* error)
{
    int page = 0;
    if (!numberInRange(keys.value("page", "0"), 0, 3, &page))
        *error = "page takes 0 to 3";
    auto dialog = std::make_unique<SendReport>();
    // An account with a serial, so that a well-formed address enables Send.
    auto auth = QSharedPointer<ClientAuthData>::create();
    auth->setSerial("UISHOW-SERIAL");
    dialog->init({}, auth);
    dialog->send("report");
    dialog->findChild<QLineEdit*>("leName")->setText(keys.value("name"));
    dialog->onEmailChanged(keys.value("email"));
    dialog->findChild<QLabel*>("lbSendError")->setText(keys.value("error"));
    dialog->findChild<QStackedWidget*>("stackedWidget")->setCurrentIndex(page);
    return dialog;
}

std::unique_ptr<QWidget> DiagnosticsWindows::showWifiNotice(const Keys& keys, QString* error)
{
    int ticks = 0;
    if (!numberInRange(keys.value("ticks", "1"), 0, 100, &ticks))
        *error = "ticks takes 0 to 100";
    const QString outcome = keys.value("outcome", "none");
    if (!QStringList{"none", "ok", "failed"}.contains(outcome))
        *error = "outcome takes none, ok or failed";
    auto dialog = std::make_unique<EnablingWiFiDlg>();
    dialog->display();
    for (int tick = 0; tick < ticks; ++tick)
        dialog->updateLabel();
    if (outcome != "none")
        dialog->enabled(outcome == "ok");
    return dialog;
}
