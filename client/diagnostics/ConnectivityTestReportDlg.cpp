#include "ConnectivityTestReportDlg.h"

#include "EnablingWiFiDlg.h"

#include <MainHelpTab.h>
#include <NetworkCtlClient.h>
#include <OzmApplication.h>


const QString ConnectivityTestReportDlg::PassColour = QStringLiteral("#41AF41");
const QString ConnectivityTestReportDlg::FailColour = QStringLiteral("#EB1C23");

ConnectivityTestReportDlg::ConnectivityTestReportDlg(QWidget* parent)
    : OZDialog(parent)
{
    ui.setupUi(this);
    wifiNotice = std::make_unique<EnablingWiFiDlg>(nullptr);
}

ConnectivityTestReportDlg::~ConnectivityTestReportDlg() = default;

void ConnectivityTestReportDlg::setResults(SharedTestResults newResults, const VpnServer& server)
{
    results = std::move(newResults);
    serverText.clear();
    if (server.host.isEmpty())
        return;
    serverText = server.name;
    for (const QString& part : {server.city, server.state, server.country}) {
        if (part.isEmpty())
            continue;
        if (!serverText.isEmpty())
            serverText += QStringLiteral(", ");
        serverText += part;
    }
}

void ConnectivityTestReportDlg::updateLabels()
{
    // Shown only after a run has handed its results over.
    if (!results)
        return;
    updateWifiBlock();
    setRow(ui.getTestLabel, results->httpOk);
    setRow(ui.dnsTestLabel, results->dnsOk);
    setRow(ui.ping8888TestLabel, results->publicDnsPingOk);
    setRow(ui.dns8888TestLabel, results->nslookupOk);
    setRow(ui.licenseSrvLabel, results->confirmOk);
    ui.serverFrame->setVisible(!serverText.isEmpty());
    ui.serverNameLabel->setText(serverText);
    ui.suggestionLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (!results->nslookupOk)
        noInternet();
    else if (!results->dnsOk)
        noDNS();
    else
        allIsOk();
}

void ConnectivityTestReportDlg::updateWifiBlock()
{
    ui.wifiAdapterFrame->setVisible(results->wifiAdapterPresent);
    if (!results->wifiAdapterPresent)
        return;
    const bool on = results->wifiAdapterOn;
    ui.wifiAdapterStatus->setText(on ? tr("Enabled") : tr("Disabled"));
    ui.wifiAdapterStatus->setStyleSheet(QStringLiteral("color: %1").arg(on ? PassColour : FailColour));
    ui.wifiEnablingButton->setVisible(!on);
    ui.ssidLabel->setVisible(on);
    if (on) {
        QString name;
        WirelessSecurity security = SecurityUnknown;
        if (NetworkCtlClient* network = NetworkCtlClient::inst())
            network->getWifiStatus(name, security);
        ui.ssidLabel->setText(tr("Local Network:") + QLatin1Char(' ') + name);
    } else {
        ui.wifiEnablingButton->setEnabled(true);
    }
}

void ConnectivityTestReportDlg::setRow(QLabel* label, bool passed)
{
    label->setText(passed ? tr("PASSED") : tr("FAILED"));
    label->setStyleSheet(QStringLiteral("color: %1").arg(passed ? PassColour : FailColour));
}

void ConnectivityTestReportDlg::setAdvice(const QString& text, Qt::Alignment alignment)
{
    ui.suggestionLabel->setAlignment(alignment);
    ui.suggestionLabel->setText(text);
}

void ConnectivityTestReportDlg::noInternet()
{
    setAdvice(tr("Your computer does not appear to have an Internet connection.\n"
                 "Below are some possible scenarios including actions you can take:\n"
                 "   1. You are not connected to a WiFi or Ethernet network. If this is true, your\n"
                 "computer should display an error message indicating this. You need to connect\n"
                 "to a WiFi or Ethernet network in order to connect to the Internet.\n"
                 "   2. You are connected to an internal network, such as a hotel or WiFi\n"
                 "hotspot, and haven't logged into the network. You have to log into the network\n"
                 "before you can access the Internet.\n"
                 "   3. You are already logged into an internal network, but your Internet Service\n"
                 "Provider is blocking ping requests. Contact your Internet Service Provider to see\n"
                 "if they are blocking ping and/or VPN connections at the ISP level."),
              Qt::AlignLeft | Qt::AlignVCenter);
}

void ConnectivityTestReportDlg::noDNS()
{
    setAdvice(tr("Your computer does not appear to have a working Domain Name Service (DNS)\n"
                 "server configured.\n"
                 "A DNS server translates domain names (like \"%1\") into IP\n"
                 "addresses (like %2) that computers use.\n"
                 "Please contact your Internet Service Provider to resolve this issue.")
                  .arg(QStringLiteral(OZM_DNS_ADVICE_SITE), QStringLiteral(OZM_DNS_ADVICE_ADDRESS)),
              Qt::AlignLeft | Qt::AlignVCenter);
}

void ConnectivityTestReportDlg::allIsOk()
{
    setAdvice(tr("<span style=\"color: #41AF41;\">There is no visible problem with your network.</span>"),
              Qt::AlignCenter);
}

void ConnectivityTestReportDlg::display()
{
    hMainHelp.state = 0;
    updateLabels();
    hMainHelp.dock(this);
    OZDialog::display();
}

void ConnectivityTestReportDlg::on_wifiEnablingButton_clicked()
{
    ui.wifiEnablingButton->setEnabled(false);
    emit activateWireless();
}

void ConnectivityTestReportDlg::on_sendReportButton_clicked()
{
    emit sendReport(results);
    close();
}

void ConnectivityTestReportDlg::on_cancelButton_clicked()
{
    hMainHelp.restoreTab();
    close();
}

void ConnectivityTestReportDlg::showEvent(QShowEvent* event)
{
    setWindowTitle(OzmApplication::windowTitle_);
    updateLabels();
    QDialog::showEvent(event);
}

void ConnectivityTestReportDlg::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ui.retranslateUi(this);
    QDialog::changeEvent(event);
}
