#include "ApiTestKit.h"

#include <BrandConfig.h>
#include <ErrorMessageCtl.h>
#include <coBranding.h>

#include <QTranslator>
#include <QtTest>

#include <functional>

using Trigger = std::function<void(ErrorMessageCtl&)>;
Q_DECLARE_METATYPE(Trigger)

namespace {

// Marks every text it is asked for, and remembers the contexts asked in.
class MarkingTranslator : public QTranslator
{
public:
    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        contexts << QString::fromLatin1(context);
        const QString source = QString::fromUtf8(sourceText);
        return source.isEmpty() ? source : QStringLiteral("{") + source + QStringLiteral("}");
    }
    bool isEmpty() const override { return false; }

    mutable QStringList contexts;
};

const QString N = QStringLiteral("Ozmira");

} // namespace

class tst_ErrorMessageCtl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void catalogue_data();
    void catalogue();
    void diagnosisBeyondKnownStates();
    void fragmentsTranslatedApart();
    void supportEmailEscaped();

private:
    QObject owner;
};

void tst_ErrorMessageCtl::initTestCase()
{
    qRegisterMetaType<ErrorMessageCtl::ErrorTypes>();
    coBranding::inst()->support_email->setStrData(QStringLiteral("help@partner.invalid"), false);
}

void tst_ErrorMessageCtl::catalogue_data()
{
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<bool>("updating");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("logged");

    const auto row = [](const char* name, Trigger trigger, bool updating, int kind, const QString& title,
                        const QString& text, const QString& logged) {
        QTest::newRow(name) << trigger << updating << kind << title << text << logged;
    };
    const QString phone = QStringLiteral(OZM_SUPPORT_PHONE).toHtmlEscaped();
    const QString wifi = N + " cannot connect to the Internet. Please check to see that your AirPort is turned on.";
    const QString noInternet = "Your computer is not currently connected to the Internet. Please check your wifi, "
                               "Ethernet cable, and/or telephone connection to ensure that they are working properly.";
    const QString noIp = "Your computer cannot connect to the Internet because a valid IP address is not assigned to "
                         "the network adapter. This may be caused by one of the following reasons:\n - The DHCP "
                         "server is not working properly. For instructions on how to fix this, contact Customer "
                         "Support.\n - Your computer may be infected. Install and/or run anti-virus software to "
                         "ensure that no malware or virus has infected your computer.";
    const QString noWireless = "Your computer does not appear to be within range of any WiFi network. In order for "
                               + N + " to work, your computer must be connected to a WiFi network.";
    const QString available = "Your computer is not currently connected to the Internet, although one or more wifi "
                              "networks have been detected. In order for "
                              + N + " to work, your computer must be connected to a wifi network.";
    const QString login = N + " is currently connected to the Internet, but the WiFi network you are accessing may "
                              "require additional login information from you in order to use their network.";
    const QString noError = "There's no visible problem with your connection. Please try to connect again.";

    row("cantEstablishConnection", &ErrorMessageCtl::cantEstablishConnection, false, 0, "Can not establish connection",
        "This computer does not have active network connection. Please, activate some network connection using "
        "Network Settings of Operating System.",
        "");
    row("cantConnectToVpnProcess", &ErrorMessageCtl::cantConnectToVpnProcess, false, 1, "",
        "Application failed to connect to VPN process. Try to restart the application.",
        "enter cantConnectToVpnProcess()");
    row("deviceInactive", &ErrorMessageCtl::deviceInactive, false, 3, "",
        "Secure connection cannot be activated.\nThis device is not registered within this subscription.", "");
    row("disconnection", &ErrorMessageCtl::disconnection, false, 4, "",
        N + " has lost connection to the VPN. Currently you are using an unsecured Internet connection. Please click "
            "the Activate button if you want to reestablish a secure connection.",
        "enter disconnection()");
    row("subscriptionMissing", &ErrorMessageCtl::subscriptionMissing, false, 5, "",
        N + " does not have your subscription information. Please reinstall application.", "");
    row("connectionNotAllowed", &ErrorMessageCtl::connectionNotAllowed, false, 6, "Connection is not allowed",
        N + " is unable to connect to the Internet. Your " + N + " account is currently being used by another user.",
        "enter connectionNotAllowed()");
    row("updateProblem", &ErrorMessageCtl::updateProblem, false, 7, N + " Connection Problem",
        N + " is unable to download update due to a temporary problem with Internet access.<br> For additional help "
            "please call Customer Support at <span style=\" text-decoration: underline; color:blue;\">"
            + phone
            + "</span> or send us an email at <a href=\"help@partner.invalid\"><span style=\" text-decoration: "
              "underline; color:blue;\">help@partner.invalid</span></a>",
        "enter updateProblem()");
    row("serverFailed with a name", [](ErrorMessageCtl& c) { c.serverFailed(QStringLiteral("Frankfurt")); }, false, 8,
        N + " was unable to establish a connection\nto the Frankfurt server.",
        "Please choose a different server on the Advanced tab of the Settings screen, or run a Connectivity Test from "
        "the Help screen to see if your connection is working properly.",
        "enter serverFailed()");
    row("serverFailed without a name", [](ErrorMessageCtl& c) { c.serverFailed(QString()); }, false, 8, "",
        "We apologize, but " + N
            + " is unable to activate your account at this time due to a temporary system problem.<p> You can help by "
              "sending us an error report which helps us identify the source of the problem. This report is "
              "anonymous and confidential. To create report open Help menu - Connectivity test.",
        "enter serverFailed()");
    row("authFailed", &ErrorMessageCtl::authFailed, false, 9, "",
        "A password change has been detected, please enter the new password on the welcome screen now being shown.",
        "");
    row("vpnConnectionEpicFail", &ErrorMessageCtl::vpnConnectionEpicFail, false, 16,
        "A serious systems error has occurred.",
        "\n" + N
            + " is unable to connect to any of our servers. Our technical staff will be automatically notified of "
              "this problem, and will attempt to fix it as soon as possible.\n\nWe apologize for this inconvenience. "
              "Please try again later.",
        "");

    const QString wifiTitle = "AirPort is turned off";
    row("cdWifiDisabled", [](ErrorMessageCtl& c) { c.cdWifiDisabled(false); }, false, 10, wifiTitle, wifi,
        "cmWifiDisabled()");
    row("cdWifiDisabled updating", [](ErrorMessageCtl& c) { c.cdWifiDisabled(true); }, true, 10, wifiTitle, wifi,
        "cmWifiDisabled()");
    row("cdNoInternetConnection", [](ErrorMessageCtl& c) { c.cdNoInternetConnection(false); }, false, 11,
        "No Internet available", noInternet, "cmNoCableConnection()");
    row("cdNoWirelessNetworks", [](ErrorMessageCtl& c) { c.cdNoWirelessNetworks(true); }, true, 12,
        "No wireless networks available", noWireless, "cmNoWirelessNetworks()");
    row("cdNoIpConfigured", [](ErrorMessageCtl& c) { c.cdNoIpConfigured(false); }, false, 13, "No IP address", noIp,
        "cmNoIpConfigured()");
    row("cdWirelessNetworksAvailable", [](ErrorMessageCtl& c) { c.cdWirelessNetworksAvailable(false); }, false, 14,
        "No wirelesses active connection", available, "cmWirelessNetworksAvailable()");
    row("cdAdditionalLoginRequired", [](ErrorMessageCtl& c) { c.cdAdditionalLoginRequired(true); }, true, 15,
        "Additional log on information may be required.", login, "cmAdditionalLoginRequired()");
    row("cdNoErrorDetected", [](ErrorMessageCtl& c) { c.cdNoErrorDetected(false); }, false, 17,
        N + " could not find any network issue", noError, "cmNoErrorDetected()");

    // The diagnosis passes the update flag on unchanged.
    row("diagnosis connected, login", [](ErrorMessageCtl& c) { c.connectionDiagnosticError(Connected, true); }, false,
        15, "Additional log on information may be required.", login, "cmAdditionalLoginRequired()");
    row("diagnosis connected, updating",
        [](ErrorMessageCtl& c) { c.connectionDiagnosticError(Connected, false, true); }, true, 17,
        N + " could not find any network issue", noError, "cmNoErrorDetected()");
    row("diagnosis no internet", [](ErrorMessageCtl& c) { c.connectionDiagnosticError(NoInternetConnection, true); },
        false, 11, "No Internet available", noInternet, "cmNoCableConnection()");
    row("diagnosis wifi off", [](ErrorMessageCtl& c) { c.connectionDiagnosticError(WifiDisabled, false, true); }, true,
        10, wifiTitle, wifi, "cmWifiDisabled()");
    row("diagnosis no ip", [](ErrorMessageCtl& c) { c.connectionDiagnosticError(NoIpConfigured, false); }, false, 13,
        "No IP address", noIp, "cmNoIpConfigured()");
    row("diagnosis no wireless", [](ErrorMessageCtl& c) { c.connectionDiagnosticError(NoWirelessNetworks, false); },
        false, 12, "No wireless networks available", noWireless, "cmNoWirelessNetworks()");
    row("diagnosis networks around",
        [](ErrorMessageCtl& c) { c.connectionDiagnosticError(WirelessNetworksAvailable, false); }, false, 14,
        "No wirelesses active connection", available, "cmWirelessNetworksAvailable()");
}

// Each call emits exactly one signal, the kind, title and text of its row,
// after its own log line.
void tst_ErrorMessageCtl::catalogue()
{
    QFETCH(Trigger, trigger);
    QFETCH(bool, updating);
    QFETCH(int, kind);
    QFETCH(QString, logged);
    ErrorMessageCtl catalogue(&owner);
    QCOMPARE(catalogue.parent(), &owner);
    QSignalSpy common(&catalogue, &ErrorMessageCtl::commonErrorOccured);
    QSignalSpy update(&catalogue, &ErrorMessageCtl::updateErrorText);
    const MessageCapture log;
    trigger(catalogue);
    QCOMPARE(common.count() + update.count(), 1);
    const QList<QVariant> emitted = updating ? update.first() : common.first();
    QCOMPARE(int(emitted[0].value<ErrorMessageCtl::ErrorTypes>()), kind);
    QTEST(emitted[1].toString(), "title");
    QTEST(emitted[2].toString(), "text");
    QCOMPARE(log.messages(QtCriticalMsg), logged.isEmpty() ? QStringList() : QStringList{logged});
}

void tst_ErrorMessageCtl::diagnosisBeyondKnownStates()
{
    ErrorMessageCtl catalogue(&owner);
    QSignalSpy common(&catalogue, &ErrorMessageCtl::commonErrorOccured);
    QSignalSpy update(&catalogue, &ErrorMessageCtl::updateErrorText);
    // Both forms, as a signal connection would call them.
    QVERIFY(QMetaObject::invokeMethod(&catalogue, "connectionDiagnosticError",
                                      Q_ARG(ConnectionPhysicalState, ConnectionPhysicalState(6)), Q_ARG(bool, true)));
    QVERIFY(QMetaObject::invokeMethod(&catalogue, "connectionDiagnosticError",
                                      Q_ARG(ConnectionPhysicalState, ConnectionPhysicalState(9)), Q_ARG(bool, false),
                                      Q_ARG(bool, true)));
    QCOMPARE(common.count() + update.count(), 0);
    QVERIFY(QMetaObject::invokeMethod(&catalogue, "connectionDiagnosticError",
                                      Q_ARG(ConnectionPhysicalState, Connected), Q_ARG(bool, false)));
    QCOMPARE(common.count(), 1);
}

// Every fragment is looked up on its own, in the catalogue's context, and the
// product name and values are joined in after.
void tst_ErrorMessageCtl::fragmentsTranslatedApart()
{
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    ErrorMessageCtl catalogue(&owner);
    QSignalSpy common(&catalogue, &ErrorMessageCtl::commonErrorOccured);
    catalogue.connectionNotAllowed();
    catalogue.cdNoWirelessNetworks(false);
    catalogue.serverFailed(QStringLiteral("Oslo"));
    QCoreApplication::removeTranslator(&translator);
    QVERIFY(!translator.contexts.isEmpty());
    QCOMPARE(translator.contexts.toSet(), QSet<QString>{QStringLiteral("ErrorMessageCtl")});
    QCOMPARE(common[0][1].toString(), QStringLiteral("{Connection is not allowed}"));
    QCOMPARE(common[0][2].toString(), N + " {is unable to connect to the Internet.} {Your} " + N
                                          + " {account is currently being used by another user.}");
    QCOMPARE(common[1][2].toString(), "{Your computer does not appear to be within range of any WiFi network.} {In "
                                      "order for "
                                          + N + " to work, your computer must be connected to a WiFi network.}");
    QCOMPARE(common[2][1].toString(), N + " {was unable to establish a connection\nto the Oslo server.}");
}

// The brand's address goes into rich text as text, never as markup.
void tst_ErrorMessageCtl::supportEmailEscaped()
{
    BrandItem* email = coBranding::inst()->support_email.data();
    QVERIFY(email->setStrData(QStringLiteral("x\"><script>%3@y&z"), false));
    ErrorMessageCtl catalogue(&owner);
    QSignalSpy common(&catalogue, &ErrorMessageCtl::commonErrorOccured);
    catalogue.updateProblem();
    email->revertDefValue();
    const QString text = common.first().at(2).toString();
    QVERIFY2(text.contains(QStringLiteral("<a href=\"x&quot;&gt;&lt;script&gt;%3@y&amp;z\">")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("color:blue;\">x&quot;&gt;&lt;script&gt;%3@y&amp;z</span></a>")));
    QVERIFY(!text.contains(QStringLiteral("<script>")));
}

QTEST_GUILESS_MAIN(tst_ErrorMessageCtl)
#include "tst_ErrorMessageCtl.moc"
