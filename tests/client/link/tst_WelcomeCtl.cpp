#include "WelcomeBench.h"

#include <ClientAuthData.h>
#include <ClientConfig.h>
#include <LinkProtocol.h>
#include <NetworkCtlClient.h>
#include <Ozm.h>
#include <PrivateNamespaces.h>
#include <VpnCtlClient.h>
#include <WelcomeCtl.h>

#include <QElapsedTimer>
#include <QtTest>

namespace {

bool hasParameter(const StandInRequest& request, const QString& key, const QString& value)
{
    return request.query.contains(qMakePair(key, value));
}

QByteArray expired(QByteArray profile)
{
    return profile.replace("2099-12-31 23:59:59", "2024-02-01 00:00:00").replace("<left_days>200", "<left_days>0");
}

} // namespace

// The account flow against the service stand-in and a scripted backend: what
// the service receives, what the flow signals, in order, and what it asks of the
// VPN session.
class tst_WelcomeCtl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstRunRegistersTheDevice();
    void knownAccount_data();
    void knownAccount();
    void authenticationFailure_data();
    void authenticationFailure();
    void commandCodes_data();
    void commandCodes();
    void wrongPasswordsAreCounted();
    void refusedRegistrationIsRetriedOnce();
    void profileErrorKeepsTheAccount();
    void serialAdoption_data();
    void serialAdoption();
    void activationRule_data();
    void activationRule();
    void callbackHoldsActivationBack_data();
    void callbackHoldsActivationBack();
    void networkDownAndUp();
    void changesWhileActivatingAreRecheckedOnce();
    void noDiagnosisJustAfterDeactivation();
    void moveToAnOpenNetworkActivates();
    void linkDownEmitsNothing();

private:
    WelcomeCtl* welcome() const { return bench->welcome; }
    // Configured on the known account, journal emptied.
    void configure();

    std::unique_ptr<WelcomeBench> bench;
};

// A stand-in for the main window's answer whether activation may follow.
class PromptWindow : public QObject
{
    Q_OBJECT
public:
    bool answer = true;
    int asked = 0;
public slots:
    bool isCanActivateIfJustConfigured()
    {
        ++asked;
        return answer;
    }
};

void tst_WelcomeCtl::initTestCase()
{
    // The operator's web host answers the session's Internet check.
    QVERIFY(PrivateNamespaces::ip("addr add " + ScriptedNetwork::WebHostAddress + "/32 dev lo"));
    bench = std::make_unique<WelcomeBench>();
}

void tst_WelcomeCtl::init()
{
    QCOMPARE(bench->start(Config::ActivateNever), QString());
}

void tst_WelcomeCtl::cleanup()
{
    QCOMPARE(bench->stop(), QStringList());
}

void tst_WelcomeCtl::configure()
{
    bench->knownAccount();
    bench->reply("profile", bench->profile(true, 2));
    welcome()->start();
    QTRY_VERIFY(bench->journal.contains("CONFIGURED"));
    bench->journal.clear();
    bench->commands.service->reset();
    bench->reply("profile", bench->profile(true, 2));
}

// E-mail, device prompt, encryption, registration, profile and serial; the
// plain password and the serial never reach the log or the shared record.
void tst_WelcomeCtl::firstRunRegistersTheDevice()
{
    bench->account->setEmail(QStringLiteral("old@example.org"));
    bench->reply("profile", bench->profile(true, 1));
    bench->reply("profile", bench->profile(false, 0), 1);

    welcome()->start();
    QCOMPARE(bench->journal, (QStringList{"CONFIGURING", "EMAIL"}));
    welcome()->onWelcomeEmail(WelcomeBench::Email);
    QTRY_COMPARE(bench->journal.last(), "DEVICE " + WelcomeBench::Email + " 1 ");
    welcome()->onWelcomeDevice(QStringLiteral("Desk"), QStringLiteral("Plain-Secret-7"), true);

    QTRY_VERIFY(bench->journal.contains("CONFIGURED"));
    QCOMPARE(bench->settled(), (QStringList{"CONFIGURING", "EMAIL", "DEVICE " + WelcomeBench::Email + " 1 ", "CONFIGURING",
                                           "REGISTERED", "READY", "CONFIGURED"}));
    QCOMPARE(bench->acts(), (QStringList{"profile", "encrypt_password", "register", "profile", "getserial"}));
    const QList<StandInRequest> requests = bench->commands.service->requests();
    QVERIFY(hasParameter(requests.at(1), "password", "Plain-Secret-7"));
    QVERIFY(hasParameter(requests.at(2), "encrypted_password", "SAMPLE-ENCRYPTED"));
    QVERIFY(hasParameter(requests.at(2), "devname", "Desk"));
    QCOMPARE(bench->account->password(), "SAMPLE-ENCRYPTED");
    QCOMPARE(bench->account->serial(), "SAMPLE-SERIAL-1");
    QVERIFY(bench->account->isMyDeviceRegistered());
    QCOMPARE(bench->logged("Registration: got serial ***"), 1);
    QCOMPARE(bench->logged("GetSerial: got serial ***"), 1);
    for (const QString& line : bench->log->messages()) {
        QVERIFY2(!line.contains("Plain-Secret-7"), qPrintable(line));
        QVERIFY2(!line.contains("SAMPLE-SERIAL-1"), qPrintable(line));
    }
}

void tst_WelcomeCtl::knownAccount_data()
{
    // enteredName: the device prompt's answer; null: the flow's start.
    QTest::addColumn<QString>("enteredName");
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QByteArray>("devname");
    QTest::addColumn<QStringList>("acts");
    QTest::addColumn<QStringList>("journal");

    const QStringList done{"CONFIGURING", "READY", "CONFIGURED"};
    QTest::newRow("registered device") << QString() << QByteArray() << QByteArray()
                                       << QStringList{"profile", "getserial"} << done;
    QTest::newRow("device limit") << QString() << QByteArray("limit") << QByteArray() << QStringList{"profile"}
                                  << QStringList{"CONFIGURING", "LIMIT " + WelcomeBench::Email};
    QTest::newRow("expired subscription") << QString() << QByteArray("expired") << QByteArray()
                                          << QStringList{"profile"} << QStringList{"CONFIGURING", "INACTIVE -1 "};
    QTest::newRow("new device, account has devices") << QString() << QByteArray("unlisted") << QByteArray()
                                                     << QStringList{"profile"}
                                                     << QStringList{"CONFIGURING", "NEWDEVICE " + WelcomeBench::Email};
    QTest::newRow("user not found goes on") << QString() << WelcomeBench::error(15, "no such user") << QByteArray()
                                            << QStringList{"profile"}
                                            << QStringList{"CONFIGURING", "DEVICE " + WelcomeBench::Email + " 0 "};
    QTest::newRow("account expired goes on") << QString() << WelcomeBench::error(712) << QByteArray()
                                             << QStringList{"profile"}
                                             << QStringList{"CONFIGURING", "DEVICE " + WelcomeBench::Email + " 0 "};
    const QStringList renamed{"encrypt_password", "getserial", "profile", "getserial", "devname"};
    QTest::newRow("registered device renamed") << "Studio" << QByteArray() << QByteArray() << renamed << done;
    QTest::newRow("same name, no rename") << "Desk" << QByteArray() << QByteArray()
                                          << QStringList{"encrypt_password", "getserial", "profile", "getserial"}
                                          << done;
    QTest::newRow("refused rename still finishes")
        << "Studio" << QByteArray() << WelcomeBench::error(918, "name refused") << renamed
        << QStringList{"CONFIGURING", "ERROR name refused", "READY", "CONFIGURED"};
}

void tst_WelcomeCtl::knownAccount()
{
    QFETCH(QString, enteredName);
    QFETCH(QByteArray, profile);
    QFETCH(QByteArray, devname);
    QFETCH(QStringList, acts);
    QFETCH(QStringList, journal);
    bench->knownAccount();
    if (profile == "limit")
        profile = bench->profile(true, 6);
    else if (profile == "expired")
        profile = expired(bench->profile(true, 1));
    else if (profile == "unlisted")
        profile = bench->profile(false, 1);
    else if (profile.isEmpty())
        profile = bench->profile(true, 2);
    bench->reply("profile", profile);
    if (!devname.isEmpty())
        bench->reply("devname", devname);

    if (enteredName.isNull())
        welcome()->start();
    else
        welcome()->onWelcomeDevice(enteredName, QStringLiteral("Plain-Secret-7"), false);
    QTRY_COMPARE(bench->acts(), acts);
    QCOMPARE(bench->settled(), journal);
    if (acts.contains("devname")) {
        QVERIFY(hasParameter(bench->commands.service->requests().last(), "devname", "Studio"));
        QCOMPARE(bench->account->devName(), "Studio");
        // One attempt: the next configuration does not rename again.
        bench->journal.clear();
        bench->commands.service->reset();
        bench->reply("profile", profile);
        welcome()->start();
        QTRY_VERIFY(bench->journal.contains("CONFIGURED"));
        QCOMPARE(bench->acts(), (QStringList{"profile", "getserial"}));
    }
}

void tst_WelcomeCtl::authenticationFailure_data()
{
    QTest::addColumn<bool>("hasPassword");
    QTest::addColumn<QByteArray>("verify");
    QTest::addColumn<QStringList>("acts");
    QTest::addColumn<QStringList>("journal");
    QTest::addColumn<bool>("passwordKept");

    QTest::newRow("2001 configures again") << true << QByteArray("<code>2001</code>")
                                           << QStringList{"verify_password", "profile", "getserial"}
                                           << QStringList{"CONFIGURING", "READY", "CONFIGURED"} << true;
    QTest::newRow("2010 password changed elsewhere") << true << QByteArray("<code>2010</code>")
                                                     << QStringList{"verify_password"}
                                                     << QStringList{"CONFIGURING", "PWCHANGED"} << false;
    QTest::newRow("2011 asks for the password") << true << QByteArray("<code>2011</code>")
                                                << QStringList{"verify_password"}
                                                << QStringList{"CONFIGURING", "DEVICE " + WelcomeBench::Email + " 1 Desk"} << false;
    QTest::newRow("no password to verify") << false << QByteArray() << QStringList()
                                           << QStringList{"DEVICE " + WelcomeBench::Email + " 1 Desk"} << false;
}

void tst_WelcomeCtl::authenticationFailure()
{
    QFETCH(bool, hasPassword);
    QFETCH(QByteArray, verify);
    QFETCH(QStringList, acts);
    QFETCH(QStringList, journal);
    QFETCH(bool, passwordKept);
    bench->knownAccount();
    if (!hasPassword)
        bench->account->setPassword(QString());
    bench->reply("profile", bench->profile(true, 2));
    if (!verify.isEmpty())
        bench->reply("verify_password", verify);

    welcome()->onAuthenticationFailure();
    QTRY_COMPARE(bench->acts(), acts);
    QCOMPARE(bench->settled(), journal);
    QCOMPARE(bench->account->isPasswordValid(), passwordKept);
}

void tst_WelcomeCtl::commandCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("allowErrors");
    QTest::addColumn<QStringList>("signalled");
    QTest::addColumn<bool>("accountKept");

    QTest::newRow("11") << 11 << QByteArray() << true << QStringList{"AUTHERR 1"} << true;
    QTest::newRow("914") << 914 << QByteArray() << true << QStringList{"INCORRECT 1"} << true;
    QTest::newRow("15 forgets the account") << 15 << QByteArray("unknown") << true << QStringList{"ERROR unknown"}
                                            << false;
    QTest::newRow("712 without text") << 712 << QByteArray() << true
                                      << QStringList{"INACTIVE 712 Your subscription has expired"} << true;
    QTest::newRow("712 with text") << 712 << QByteArray("over") << true << QStringList{"INACTIVE 712 over"} << true;
    QTest::newRow("915") << 915 << QByteArray() << true << QStringList{"LIMIT " + WelcomeBench::Email} << true;
    QTest::newRow("501 signals nothing") << 501 << QByteArray() << true << QStringList() << true;
    QTest::newRow("916 with text") << 916 << QByteArray("already there") << true
                                   << QStringList{"ERROR already there"} << true;
    QTest::newRow("unknown code, no text") << 4242 << QByteArray() << true
                                           << QStringList{"ERROR Command %1 failed. encrypt_password"} << true;
    QTest::newRow("hidden window: nothing") << 11 << QByteArray() << false << QStringList() << true;
}

// The encryption step's result codes, as the flow judges every command's.
void tst_WelcomeCtl::commandCodes()
{
    QFETCH(int, code);
    QFETCH(QByteArray, text);
    QFETCH(bool, allowErrors);
    QFETCH(QStringList, signalled);
    QFETCH(bool, accountKept);
    bench->knownAccount();
    bench->reply("encrypt_password", WelcomeBench::error(code, text));
    welcome()->allowHandleCommandErrors(allowErrors);

    welcome()->onWelcomeDevice(QString(), QStringLiteral("Plain-Secret-7"), true);
    QTRY_COMPARE(bench->acts(), QStringList{"encrypt_password"});
    QCOMPARE(bench->settled(), QStringList{"CONFIGURING"} + signalled);
    QCOMPARE(bench->account->isEmailValid(), accountKept);
}

// Counted attempts add up; an uncounted one and a search reply do not; a
// different e-mail starts again at 0.
void tst_WelcomeCtl::wrongPasswordsAreCounted()
{
    bench->knownAccount();
    bench->reply("encrypt_password", WelcomeBench::error(11));
    const QString password = QStringLiteral("Plain-Secret-7");
    auto attempt = [&](bool counted) {
        bench->journal.clear();
        welcome()->onWelcomeDevice(QString(), password, counted);
        return bench->settled().value(1);
    };
    QCOMPARE(attempt(true), "AUTHERR 1");
    QCOMPARE(attempt(true), "AUTHERR 2");
    QCOMPARE(attempt(false), "AUTHERR 2");
    bench->reply("encrypt_password", WelcomeBench::error(501), 1);
    QCOMPARE(attempt(true), QString());
    QCOMPARE(attempt(true), "AUTHERR 1");
    welcome()->onWelcomeEmail(WelcomeBench::Email);
    bench->settled();
    QCOMPARE(attempt(true), "AUTHERR 2");
    welcome()->onWelcomeEmail(QStringLiteral("other@example.org"));
    bench->settled();
    QCOMPARE(attempt(true), "AUTHERR 1");
}

// A refused registration stays on the retry list once, however often it fails;
// Retry sends it again and again until it goes through.
void tst_WelcomeCtl::refusedRegistrationIsRetriedOnce()
{
    bench->knownAccount(false);
    bench->reply("profile", bench->profile(true, 1));
    bench->reply("register", WelcomeBench::error(916, "not now"));
    welcome()->onWelcomeDevice(QStringLiteral("Desk"), QStringLiteral("Plain-Secret-7"), false);
    QTRY_VERIFY(bench->journal.contains("ERROR not now"));
    QCOMPARE(bench->acts(), (QStringList{"encrypt_password", "register"}));
    for (int round = 0; round < 2; ++round) {
        welcome()->onWelcomeRetry();
        QTRY_COMPARE(bench->journal.count("ERROR not now"), round + 2);
        QCOMPARE(bench->acts().count("register"), round + 2);
    }
    bench->reply("register", CommandBench::resultOf("<serial>SER-9</serial>"));
    welcome()->onWelcomeRetry();
    QTRY_VERIFY(bench->journal.contains("CONFIGURED"));
    QCOMPARE(bench->acts().mid(4), (QStringList{"register", "profile", "getserial"}));
    welcome()->onWelcomeRetry();
    QTest::qWait(300);
    QCOMPARE(bench->acts().size(), 7);
}

// An error reply of the profile step carries no account: the device stays
// registered, and the next device prompt validates instead of registering.
void tst_WelcomeCtl::profileErrorKeepsTheAccount()
{
    bench->knownAccount();
    bench->account->setDevicesNumber(5, 3);
    bench->reply("profile", WelcomeBench::error(918, "busy"), 1);
    welcome()->start();
    QTRY_COMPARE(bench->settled(), (QStringList{"CONFIGURING", "ERROR busy"}));
    QVERIFY(bench->account->isMyDeviceRegistered());
    QCOMPARE(bench->account->deviceCount(), 3u);
    QCOMPARE(bench->account->deviceLimit(), 5u);

    bench->reply("profile", bench->profile(true, 2));
    welcome()->onWelcomeDevice(QString(), QStringLiteral("Plain-Secret-7"), false);
    QTRY_VERIFY(bench->journal.contains("CONFIGURED"));
    QCOMPARE(bench->acts(), (QStringList{"profile", "encrypt_password", "getserial", "profile", "getserial"}));
}

void tst_WelcomeCtl::serialAdoption_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("serials");
    QTest::addColumn<QString>("expected");

    const QString me = QStringLiteral("{me}");
    QTest::newRow("first of several") << WelcomeBench::Email << QString()
                                      << QStringList{"x-OTHER", WelcomeBench::Email + "-" + me + "-A", WelcomeBench::Email + "-" + me + "-B"}
                                      << WelcomeBench::Email + "-" + me + "-A";
    QTest::newRow("stored serial stays") << WelcomeBench::Email << "SER-OLD" << QStringList{WelcomeBench::Email + "-" + me} << "SER-OLD";
    QTest::newRow("e-mail alone is not enough") << WelcomeBench::Email << QString() << QStringList{WelcomeBench::Email + "-OTHER"} << QString();
    QTest::newRow("empty e-mail matches nothing") << QString() << QString()
                                                  << QStringList{"someone@example.org-" + me} << QString();
}

void tst_WelcomeCtl::serialAdoption()
{
    QFETCH(QString, email);
    QFETCH(QString, stored);
    QFETCH(QStringList, serials);
    QFETCH(QString, expected);
    const QString me = bench->account->deviceId();
    QByteArray list;
    for (const QString& serial : serials)
        list += "<item><serial>" + QString(serial).replace("{me}", me).toUtf8() + "</serial></item>";
    bench->reply("profile", "<code>701</code><existing_device_count>0</existing_device_count><seriallist>" + list +
                                "</seriallist>");
    bench->account->setEmail(email);
    bench->account->setSerial(stored);
    welcome()->onWelcomeEmail(email);
    QTRY_COMPARE(bench->acts(), QStringList{"profile"});
    bench->settled();
    QCOMPARE(bench->account->serial(), QString(expected).replace("{me}", me));
}

void tst_WelcomeCtl::activationRule_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("secured");
    QTest::addColumn<bool>("manualOff");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("configuring");
    QTest::addColumn<bool>("ensured");
    QTest::addColumn<QStringList>("ensureSignals");
    QTest::addColumn<QStringList>("afterConfiguration");

    const QStringList none;
    const QStringList activate{"ACTIVATE"};
    const QStringList deactivate{"DEACTIVATE"};
    const QStringList ready{"READY"};
    const QStringList activateReady{"ACTIVATE", "READY"};
    QTest::newRow("always, idle") << 1 << true << false << 2 << false << false << activate << activateReady;
    QTest::newRow("always, activating") << 1 << true << false << 3 << false << true << none << ready;
    QTest::newRow("always, activated") << 1 << false << false << 4 << false << true << none << ready;
    QTest::newRow("always, configuring") << 1 << true << false << 2 << true << true << none << none;
    QTest::newRow("always, manual off, up") << 1 << false << true << 4 << false << false << deactivate << ready;
    QTest::newRow("always, manual off, idle") << 1 << false << true << 0 << false << true << none << ready;
    QTest::newRow("unsecured only, open network") << 0 << false << false << 2 << false << false << activate
                                                  << activateReady;
    QTest::newRow("unsecured only, secured, idle") << 0 << true << false << 2 << false << true << none << ready;
    QTest::newRow("unsecured only, secured, up") << 0 << true << false << 4 << false << false << deactivate << ready;
    QTest::newRow("unsecured only, secured, activating, configuring")
        << 0 << true << false << 3 << true << false << deactivate << none;
    QTest::newRow("never, up") << 2 << false << false << 4 << false << false << deactivate << ready;
    QTest::newRow("never, idle") << 2 << false << false << 1 << false << true << none << ready;
}

// ensureActivationStateAsByConfig and the activation at the end of a
// configuration, by option, network security, manual deactivation, state and
// whether a configuration runs.
void tst_WelcomeCtl::activationRule()
{
    QFETCH(int, option);
    QFETCH(bool, secured);
    QFETCH(bool, manualOff);
    QFETCH(int, state);
    QFETCH(bool, configuring);
    QFETCH(bool, ensured);
    QFETCH(QStringList, ensureSignals);
    QFETCH(QStringList, afterConfiguration);
    // Not wired to this session: what the flow asks is all that matters here.
    WelcomeCtl flow;
    QStringList asked;
    connect(&flow, &WelcomeCtl::activateTriggered, this, [&asked] { asked << "ACTIVATE"; });
    connect(&flow, &WelcomeCtl::deactivateTriggered, this, [&asked] { asked << "DEACTIVATE"; });
    connect(&flow, &WelcomeCtl::readyShowActivation, this, [&asked] { asked << "READY"; });
    QVERIFY(bench->network->report(secured ? WelcomeBench::Wired : WelcomeBench::OpenWifi));
    ClientConfig::instanceClient()->setActivateOption(Config::ActivateOption(option));
    flow.callsConfigurationFinished();
    if (configuring)
        flow.configuringNowByCalls();
    if (manualOff)
        flow.onDeactivateByManualClick();
    flow.setActivationState(ActivationState(state));
    asked.clear();

    QCOMPARE(flow.ensureActivationStateAsByConfig(), ensured);
    QCOMPARE(asked, ensureSignals);
    asked.clear();
    flow.activateIfMustByConfig();
    QCOMPARE(asked, afterConfiguration);
}

void tst_WelcomeCtl::callbackHoldsActivationBack_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("journal");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("yes") << QByteArray("isCanActivateIfJustConfigured") << true
                         << QStringList{"READY", "CONFIGURED"}
                         << "WelcomeCtl::configurationFinished() - activateIfMustByConfig()";
    QTest::newRow("no") << QByteArray("isCanActivateIfJustConfigured") << false << QStringList{"CONFIGURED"}
                        << "WelcomeCtl::configurationFinished() activation postponed due to callback";
    QTest::newRow("a call that fails counts as yes") << QByteArray("noSuchMethod") << false
                                                     << QStringList{"READY", "CONFIGURED"}
                                                     << "WelcomeCtl::configurationFinished() - activateIfMustByConfig()";
}

void tst_WelcomeCtl::callbackHoldsActivationBack()
{
    QFETCH(QByteArray, method);
    QFETCH(bool, answer);
    QFETCH(QStringList, journal);
    QFETCH(QString, logLine);
    PromptWindow window;
    window.answer = answer;
    welcome()->setActivatePromptCallback(&window, method.constData());
    welcome()->callsConfigurationFinished();
    QCOMPARE(bench->journal, journal);
    QCOMPARE(bench->logged(logLine), 1);
    QCOMPARE(window.asked, method == "noSuchMethod" ? 0 : 1);
    if (method == "noSuchMethod")
        QCOMPARE(bench->log->messages(QtWarningMsg).filter("could not be called").size(), 1);
}

// Down: configuring and disconnected; back: connected and one new configuration.
void tst_WelcomeCtl::networkDownAndUp()
{
    configure();
    QVERIFY(bench->network->report(WelcomeBench::Down));
    QCOMPARE(bench->journal, (QStringList{"CONFIGURING", "DOWN 1"}));
    QVERIFY(bench->network->report(WelcomeBench::Wired));
    QTRY_VERIFY(bench->journal.contains("CONFIGURED"));
    QCOMPARE(bench->settled(), (QStringList{"CONFIGURING", "DOWN 1", "DOWN 0", "CONFIGURING", "READY", "CONFIGURED"}));
    QCOMPARE(bench->acts(), (QStringList{"profile", "getserial"}));
}

// Three changes within 500 ms while the VPN is activating are looked at again
// once, a second after the last.
void tst_WelcomeCtl::changesWhileActivatingAreRecheckedOnce()
{
    configure();
    VpnCtlClient::inst()->setState(Activating);
    QElapsedTimer sinceLast;
    for (int change = 0; change < 3; ++change) {
        QVERIFY(bench->network->report(WelcomeBench::Wired));
        sinceLast.start();
        QTest::qWait(150);
    }
    QCOMPARE(bench->logged("05"), 3);
    // Just deactivated when the recheck comes: it looks once and stops there.
    VpnCtlClient::inst()->setState(Deactivated);
    QTRY_COMPARE_WITH_TIMEOUT(bench->logged("01"), 4, 10000);
    // A coarse timer may fire a little early, never much.
    QVERIFY2(sinceLast.elapsed() >= 900, qPrintable(QString::number(sinceLast.elapsed())));
    QTest::qWait(1500);
    QCOMPARE(bench->logged("01"), 4);
    QCOMPARE(bench->logged("06"), 1);
    QCOMPARE(bench->logged("Diagnostic: Just deactivated - skip network diagnostic"), 1);
}

void tst_WelcomeCtl::noDiagnosisJustAfterDeactivation()
{
    configure();
    VpnCtlClient::inst()->setState(Activating);
    VpnCtlClient::inst()->setState(Deactivated);
    QVERIFY(bench->network->report(WelcomeBench::Wired));
    QCOMPARE(bench->logged("Diagnostic: Just deactivated - skip network diagnostic"), 1);
    QCOMPARE(bench->logged("09"), 0);
    QCOMPARE(bench->journal, QStringList{"DOWN 0"});
}

// A move from the secured wired network straight to an open one applies the
// rule again: the VPN session is asked to come up.
void tst_WelcomeCtl::moveToAnOpenNetworkActivates()
{
    ClientConfig::instanceClient()->setActivateOption(Config::ActivateOnUnsecuredWireless);
    configure();
    QTRY_VERIFY_WITH_TIMEOUT(!VpnCtlClient::inst()->isJustActivationStateChanged(), 5000);
    // As the application does once it has wired the flow.
    welcome()->onLocalConnectionIsChanged();
    bench->journal.clear();
    QVERIFY(bench->network->report(WelcomeBench::OpenWifi));
    QTRY_VERIFY2(bench->backendRequests().contains(LinkProtocol::Request::ResetReconnectionLogic),
                 qPrintable(bench->journal.join(", ")));
    QCOMPARE(bench->journal.mid(0, 2), (QStringList{"DOWN 0", "ACTIVATE"}));
}

void tst_WelcomeCtl::linkDownEmitsNothing()
{
    bench->knownAccount();
    ClientConfig::instanceClient()->setActivateOption(Config::ActivateOnAnyConnection);
    bench->network->backend.closeControl();
    QTRY_VERIFY(!Ozm::inst()->serviceIsRunning());
    bench->journal.clear();
    welcome()->activateIfMustByConfig();
    welcome()->callsConfigurationFinished();
    QVERIFY(!welcome()->ensureActivationStateAsByConfig());
    QCOMPARE(bench->journal, QStringList());
}

OZM_NAMESPACE_TEST_MAIN(tst_WelcomeCtl, ScriptedNetwork::namespaces())

#include "tst_WelcomeCtl.moc"
