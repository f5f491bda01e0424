#include "Status.h"

#include "BrandLogo.h"
#include "platform/WarningSound.h"
#include "platform/WifiNameProbe.h"
#include "platform/linux/NmWifiNameProbe.h"
#include "platform/SoundEffectWarningSound.h"

#include <Folders.h>
#include <I18n.h>
#include <NetworkCtlClient.h>
#include <OzmApplication.h>
#include <VpnServer.h>

#include <QCloseEvent>
#include <QDebug>
#include <iterator>

namespace {

enum Page { PageDeactivated, PageActivating, PageActivated, PageDeactivating, PageSecure, PageUnsecure, PageDisconnected };
// The bottom button that fits each banner page: Activate, Stop activating or Deactivate.
constexpr int BottomPageOf[] = {0, 1, 2, 2, 0, 0, 0};

constexpr int CloseAfterMs = 5000;
constexpr int ProgressFirstMs = 140;
constexpr int ProgressSlowMs = 400;
constexpr int ProgressSlowFrom = 80;
constexpr int WifiNameWaitMs = 3000;

const QString NormalColour = QStringLiteral("color: #6D6F71");
const QString AlarmColour = QStringLiteral("color: #D6002D");
const QString SoundFile = QStringLiteral("/Cyberia-Mach_New-7660_hifi.wav");

bool isGoodState(ActivationState state)
{
    return state == Activated || state == StateSecure;
}

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString locationToText(const QString& text, bool wrap)
{
    if (text.isNull())
        return QStringLiteral("Identifying");
    if (text.isEmpty())
        return QStringLiteral("Unknown");
    return wrap ? QStringLiteral("<pre>") + text + QStringLiteral("</pre>") : text;
}

Status::Status(QWidget* parent, std::unique_ptr<WifiNameProbe> wifiNameProbe, std::unique_ptr<WarningSound> warningSound)
    : OZDialog(parent)
    , m_wifiNameProbe(wifiNameProbe ? std::move(wifiNameProbe) : std::make_unique<NmWifiNameProbe>())
    , m_warningSound(warningSound ? std::move(warningSound)
                                  : std::make_unique<SoundEffectWarningSound>(Folders::app_folder + SoundFile))
{
    m_ui.setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    // The network's name comes from the air: whatever it holds is shown as it is.
    m_ui.lbSSID->setTextFormat(Qt::PlainText);
    m_ui.swTop->setAdjustSizeToVisibleChild(false);
    m_closeTimer.setObjectName(QStringLiteral("closeTimer"));
    m_closeTimer.setSingleShot(true);
    m_progressTimer.setObjectName(QStringLiteral("progressTimer"));
    m_timeConnectedTimer.setObjectName(QStringLiteral("timeConnectedTimer"));
    m_timeConnectedTimer.setInterval(1000);
    m_soundTimer.setObjectName(QStringLiteral("soundTimer"));
    m_soundTimer.setSingleShot(true);
    m_soundTimer.setInterval(200);
    m_ui.lbTimeConnected->hide();
    m_ui.lbTimeConnectionCapt->hide();
    m_ui.lineUnderSecurity->hide();
    // Without the backend's network reports the window still shows its states.
    if (NetworkCtlClient* const network = NetworkCtlClient::inst())
        connect(network, &NetworkCtlClient::localConnectionIsChanged, this, qOverload<>(&Status::updateState));
    connect(&m_closeTimer, &QTimer::timeout, this, &Status::closeIfMust);
    connect(&m_progressTimer, &QTimer::timeout, this, &Status::progressBarAnimation);
    connect(&m_timeConnectedTimer, &QTimer::timeout, this, &Status::onTimeConnectedTick);
    connect(&m_soundTimer, &QTimer::timeout, this, &Status::playSound);
    moveToCenter();
    updateUi();
}

Status::~Status() = default;

void Status::updateUi()
{
    setWindowTitle(OzmApplication::windowTitleShort_ + tr(" - Status"));
    updateState(m_state);
    updateLocation();
    updateServer();
    updateSsid();
}

void Status::display()
{
    m_lastDisplayAutomatic = !m_shownByManualClick;
    OZDialog::display();
}

void Status::displayByManualClick()
{
    m_shownByManualClick = true;
    display();
}

void Status::setActivationState(ActivationState state)
{
    if (state != m_state) {
        if (state == Activated)
            showTimeConnectedFromNow();
        else
            hideTimeConnected();
    }
    updateState(state);
    m_state = state;
    adjustSize();
}

void Status::updateState()
{
    updateState(m_state);
}

void Status::updateState(ActivationState state)
{
    const bool repeat = state == m_state && (state == StateSecure || state == Activating || state == Activated);
    if (!repeat)
        m_state = state;
    setSecurityRowsColour(NormalColour);
    if (m_state == StateSecure || m_state == Deactivated) {
        const NetworkCtlClient* const network = NetworkCtlClient::inst();
        m_state = network && network->isConnectionSecured() ? StateSecure : Deactivated;
    }

    const bool virtualPlace = m_state == Activated;
    m_ui.lbLocationCapt->setText(virtualPlace ? tr("Virtual Location") : tr("Location"));
    m_ui.lbIpAddressCapt->setText(virtualPlace ? tr("Virtual IP Address") : tr("IP Address"));
    m_ui.hiLocation->setHelpCaption(virtualPlace ? tr("Virtual Location and Virtual IP Address")
                                                 : tr("Location and IP Address"));

    if (m_state != Activating) {
        if (m_progressTimer.isActive()) {
            m_ui.progressBar_2->setValue(100);
            m_progressTimer.stop();
            m_progressNeedsReset = true;
        }
    } else if (m_progressNeedsReset) {
        m_ui.progressBar_2->setMaximum(100);
        m_ui.progressBar_2->setValue(0);
        m_progressTimer.start(ProgressFirstMs);
        m_progressNeedsReset = false;
    }

    switch (m_state) {
    case StateSecure:
        m_ui.swTop->setCurrentIndex(PageSecure);
        showServerRow(false);
        updateTypeOfNetworkConnectionLabel();
        readWifiName();
        updateSsid();
        break;
    case Deactivated:
        updateDeactivatedState();
        break;
    case Activating:
        m_ui.swTop->setCurrentIndex(PageActivating);
        break;
    case Activated:
        m_ui.swTop->setCurrentIndex(PageActivated);
        m_ui.lbSecurity->setText(tr("256-bit VPN encryption"));
        readWifiName();
        updateSsid();
        break;
    case Deactivating:
        m_ui.swTop->setCurrentIndex(PageDeactivating);
        break;
    default:
        m_ui.swTop->setCurrentIndex(PageDisconnected);
        showServerRow(false);
        cleanSsid();
        updateTypeOfNetworkConnectionLabel();
        break;
    }

    if (m_welcomeClosed && m_state != StateSecure && !repeat && !OzmApplication::notBlinkVudevo_)
        display();
    if (!m_shownByManualClick && !isHidden() && !isMinimized() && isGoodState(m_state))
        m_closeTimer.start(CloseAfterMs);
}

// The red page sounds its warning only when it is entered, not when it is
// drawn again for the same network.
void Status::updateDeactivatedState()
{
    NetworkCtlClient* const network = NetworkCtlClient::inst();
    WirelessSecurity security = SecurityUnknown;
    if (network)
        network->getWifiStatus(m_wifiName, security);
    else
        cleanSsid();
    if (security == SecurityNone || security == SecurityWEP || security == SecurityWPA) {
        setSecurityRowsColour(AlarmColour);
        const int previousPage = m_ui.swTop->currentIndex();
        m_ui.swTop->setCurrentIndex(PageUnsecure);
        showServerRow(false);
        network->getWifiStatus(m_wifiName, security);
        updateTypeOfNetworkConnectionLabel();
        updateSsid();
        if (previousPage != PageUnsecure)
            m_soundTimer.start();
        return;
    }
    m_ui.swTop->setCurrentIndex(PageDeactivated);
    showServerRow(false);
    updateTypeOfNetworkConnectionLabel();
}

void Status::playSound()
{
    if (m_ui.swTop->currentIndex() != PageUnsecure)
        return;
    display();
    m_warningSound->play();
}

void Status::closeIfMust()
{
    if (!m_shownByManualClick && isGoodState(m_state))
        close();
}

void Status::progressBarAnimation()
{
    const int value = m_ui.progressBar_2->value();
    if (value == ProgressSlowFrom)
        m_progressTimer.setInterval(ProgressSlowMs);
    m_ui.progressBar_2->setValue(value + 1);
}

void Status::onTimeConnectedTick()
{
    ++m_secondsConnected;
    m_ui.lbTimeConnected->setText(QStringLiteral("%1:%2:%3")
                                      .arg(twoDigits(m_secondsConnected / 3600),
                                           twoDigits((m_secondsConnected / 60) % 60),
                                           twoDigits(m_secondsConnected % 60)));
}

void Status::showTimeConnectedFromNow()
{
    m_secondsConnected = 0;
    onTimeConnectedTick();
    m_ui.lbTimeConnected->show();
    m_ui.lbTimeConnectionCapt->show();
    m_ui.lineUnderSecurity->show();
    m_timeConnectedTimer.start();
}

void Status::hideTimeConnected()
{
    m_ui.lbTimeConnected->hide();
    m_ui.lbTimeConnectionCapt->hide();
    m_ui.lineUnderSecurity->hide();
    m_timeConnectedTimer.stop();
}

void Status::updateTypeOfNetworkConnectionLabel()
{
    const NetworkCtlClient* const network = NetworkCtlClient::inst();
    m_connectionType =
        network ? network->typeOfNetworkConnection() : NetworkCtlClient::CONNECTION_UNKNOWN_CONNECTION_TYPE;
    m_ui.lbSecurity->setText(I18n::getLocalizeTypeOfNetworkConnection(m_connectionType));
    if (!m_wifiName.isEmpty())
        updateSsid();
}

void Status::readWifiName()
{
    WirelessSecurity security = SecurityUnknown;
    if (const NetworkCtlClient* const network = NetworkCtlClient::inst())
        network->getWifiStatus(m_wifiName, security);
    else
        m_wifiName.clear();
}

// The backend's report may lack the name; then the system is asked, device by
// device, blocking for at most WifiNameWaitMs each.
void Status::updateSsid()
{
    const bool wired = m_connectionType == NetworkCtlClient::CONNECTION_WIRED;
    if (m_wifiName.isEmpty() && !wired) {
        m_wifiName = QStringLiteral("undefined");
        const QStringList devices = m_wifiNameProbe->activeDevices();
        for (const QString& device : devices) {
            const QString name = m_wifiNameProbe->networkName(device, WifiNameWaitMs);
            if (!name.isEmpty()) {
                m_wifiName = name;
                break;
            }
        }
    }
    m_ui.lbSSID->setText(wired ? tr("Wired") : m_wifiName);
}

void Status::cleanSsid()
{
    m_wifiName = QString();
    m_ui.lbSSID->clear();
}

void Status::setLocation(const Location& location)
{
    qDebug().noquote() << "Status: [location update] : ip =" << locationToText(location.ip, false)
                       << "description =" << locationToText(location.description, false);
    if (m_state == Activating && !location.ip.isNull() && !location.description.isNull()) {
        qDebug().noquote() << "Status: [location update] : keep current due to ActivationStateActivating"
                           << "ip =" << locationToText(m_locationAddress, false)
                           << "description =" << locationToText(m_locationDescription, false);
        return;
    }
    m_locationAddress = location.ip;
    m_locationDescription = location.description;
    m_locationThird = location.isoCountryCode;
    updateLocation();
    adjustSize();
}

void Status::updateLocation()
{
    m_ui.lbIpAddress->setText(I18n::localizeLocation(locationToText(m_locationAddress, true)));
    m_ui.lbLocation->setText(I18n::localizeLocation(locationToText(m_locationDescription, false)));
}

void Status::setActivatingServer(const VpnServer& server)
{
    setActivatingServer(server.name);
}

void Status::setActivatingServer(const QString& server)
{
    m_activatingServer = server;
    updateServer();
    adjustSize();
}

void Status::updateServer()
{
    m_ui.lbServer->setText(m_activatingServer);
    m_ui.lbConnecting->setText(tr("Connecting to secure server in %1")
                                   .arg(m_activatingServer.isEmpty() ? QStringLiteral("...") : m_activatingServer));
}

void Status::setCanDeactivate(bool can)
{
    m_canDeactivate = can;
    m_ui.swBottom->setVisible(can);
}

void Status::onWelcomeClosed()
{
    m_welcomeClosed = true;
}

void Status::applyBrandInfo()
{
    applyBrandLogo(m_ui.lbLogoImage);
}

void Status::setSecurityRowsColour(const QString& style)
{
    for (QLabel* label : {m_ui.lbSSID, m_ui.lbLocation, m_ui.lbIpAddress, m_ui.lbSecurity})
        label->setStyleSheet(style);
}

void Status::showServerRow(bool show)
{
    m_ui.lbServerCapt->setVisible(show);
    m_ui.lbServer->setVisible(show);
}

void Status::on_btnActivate_clicked()
{
    emit activate();
}

void Status::on_btnDeactivate_clicked()
{
    emit deactivate();
    emit disableStatusShowing();
}

void Status::on_btnCancelActivate_clicked()
{
    emit cancelActivate();
    emit disableStatusShowing();
}

void Status::on_swTop_currentChanged(int index)
{
    if (index >= 0 && index < int(std::size(BottomPageOf)))
        m_ui.swBottom->setCurrentIndex(BottomPageOf[index]);
}

void Status::closeEvent(QCloseEvent* event)
{
    m_shownByManualClick = false;
    if (m_state == StateSecure)
        emit disableStatusShowing();
    else if (m_state == Activating || m_state == Activated)
        emit enableStatusShowing();
    event->accept();
}

void Status::showEvent(QShowEvent* event)
{
    m_shownByManualClick = !m_lastDisplayAutomatic;
    OZDialog::showEvent(event);
}

void Status::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        m_ui.retranslateUi(this);
        updateUi();
    }
    OZDialog::changeEvent(event);
}
