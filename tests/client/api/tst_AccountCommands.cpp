#include <ChangePasswordCommand.h>
#include <ClientAuthData.h>
#include <ClientLog.h>
#include <DeviceIdMigrationCommand.h>
#include <EncryptPasswordCommand.h>
#include <FakeHostFacts.h>
#include <GetManagementPageCommand.h>
#include <GetSerialCommand.h>
#include <HostProbes.h>
#include <HttpAccess.h>
#include <HttpResponse.h>
#include <ProfileCommand.h>
#include <RegisterCommand.h>
#include <RenameDeviceCommand.h>
#include <StandInService.h>
#include <VerifyPasswordCommand.h>

#include "ApiTestKit.h"
#include "CommandBench.h"

#include <QtTest>

#include <functional>
#include <memory>

namespace {

using CommandMaker = std::function<HttpCommand*(const ClientAuthData&)>;

} // namespace

Q_DECLARE_METATYPE(CommandMaker)

class tst_AccountCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rawQueries_data();
    void rawQueries();
    void sampleReplies();
    void profile_data();
    void profile();
    void passwordTime_data();
    void passwordTime();
    void failedStatusStillRead();
    void secretsStayOutOfTheLog();

private:
    bool run(HttpCommand& command) { return bench->run(command); }

    std::unique_ptr<CommandBench> bench;
    StandInService* service = nullptr;
    std::unique_ptr<ClientAuthData> account;
    QString deviceId;
};

void tst_AccountCommands::initTestCase()
{
    bench = std::make_unique<CommandBench>();
    service = bench->service.get();
    QVERIFY(service->isRunning());
    account = std::make_unique<ClientAuthData>();
    CommandBench::fillAccount(*account);
    deviceId = account->deviceId();
    QCOMPARE(deviceId, GetPlatformUUID());
}

void tst_AccountCommands::init()
{
    service->reset();
}

void tst_AccountCommands::cleanup()
{
    QCOMPARE(service->violations(), QStringList());
    QTRY_COMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
}

void tst_AccountCommands::rawQueries_data()
{
    QTest::addColumn<CommandMaker>("make");
    QTest::addColumn<bool>("signedIn");
    // {devid}: this device's id.
    QTest::addColumn<QString>("query");

    const QString user = QStringLiteral("appid=MAC-OZM&devid={devid}&email=a%2Bb@x.org");
    QTest::newRow("profile") << CommandMaker([](const ClientAuthData& d) { return new ProfileCommand(d, nullptr); })
                             << true << "act=profile&appid=MAC-OZM&devid={devid}&email=a%2Bb@x.org&fmt=xml&serial=SER-1";
    QTest::newRow("profile, no e-mail or serial")
        << CommandMaker([](const ClientAuthData& d) { return new ProfileCommand(d, nullptr); }) << false
        << "act=profile&appid=MAC-OZM&devid={devid}&fmt=xml";
    QTest::newRow("register")
        << CommandMaker([](const ClientAuthData& d) { return new RegisterCommand(d, nullptr); }) << true
        << "act=register&appid=MAC-OZM&devid={devid}&devname=My%20PC&email=a%2Bb@x.org&encrypted_password=Enc%2BPw%2541"
           "&fmt=xml";
    QTest::newRow("getserial")
        << CommandMaker([](const ClientAuthData& d) { return new GetSerialCommand(d, nullptr); }) << true
        << "act=getserial&" + user + "&encrypted_password=Enc%2BPw%2541&fmt=xml";
    QTest::newRow("verify_password")
        << CommandMaker([](const ClientAuthData& d) { return new VerifyPasswordCommand(d, nullptr); }) << true
        << "act=verify_password&" + user + "&encrypted_password=Enc%2BPw%2541&fmt=xml";
    QTest::newRow("encrypt_password, the plain password")
        << CommandMaker([](const ClientAuthData& d) { return new EncryptPasswordCommand(d, nullptr); }) << true
        << "act=encrypt_password&appid=MAC-OZM&email=a%2Bb@x.org&fmt=xml&password=Enc%2BPw%2541";
    QTest::newRow("devname")
        << CommandMaker([](const ClientAuthData& d) { return new RenameDeviceCommand(d, nullptr); }) << true
        << "act=devname&appid=MAC-OZM&devid={devid}&devname=My%20PC&email=a%2Bb@x.org&encrypted_password=Enc%2BPw%2541"
           "&fmt=xml";
    QTest::newRow("change_password")
        << CommandMaker([](const ClientAuthData& d) { return new ChangePasswordCommand(d, "New+Enc", nullptr); })
        << true
        << "act=change_password&appid=MAC-OZM&email=a%2Bb@x.org&encrypted_new_password=New%2BEnc"
           "&encrypted_password=Enc%2BPw%2541&fmt=xml";
    const auto page = [](int page) {
        return CommandMaker([page](const ClientAuthData& d) {
            return new GetManagementPageCommand(d, nullptr, GetManagementPageCommand::ManagementPage(page));
        });
    };
    const QString control = "act=get_device_control_page&" + user + "&encrypted_password=Enc%2BPw%2541&fmt=xml";
    QTest::newRow("device page") << page(1) << true << control + "&menu_item=manage_devices";
    QTest::newRow("password page") << page(2) << true << control + "&menu_item=change_password";
    QTest::newRow("no page in particular") << page(0) << true << control;
    QTest::newRow("devid_migration")
        << CommandMaker([](const ClientAuthData& d) {
               return new DeviceIdMigrationCommand(d, {"02:00:00:00:00:A0", "02:00:00:00:00:B0"}, "NEW-ID", nullptr);
           })
        << true << "act=devid_migration&appid=MAC-OZM&devid=NEW-ID&email=a%2Bb@x.org&fmt=xml"
                   "&mac=02:00:00:00:00:A0,02:00:00:00:00:B0";
    QTest::newRow("devid_migration, no addresses")
        << CommandMaker([](const ClientAuthData& d) { return new DeviceIdMigrationCommand(d, {}, "", nullptr); })
        << false << "act=devid_migration&appid=MAC-OZM&devid=&email=&fmt=xml&mac=";
}

void tst_AccountCommands::rawQueries()
{
    QFETCH(CommandMaker, make);
    QFETCH(bool, signedIn);
    QFETCH(QString, query);
    ClientAuthData data;
    if (signedIn)
        CommandBench::fillAccount(data);
    std::unique_ptr<HttpCommand> command(make(data));
    // Copied when made: later changes are not sent.
    data.setEmail(QStringLiteral("later@x.org"));
    QVERIFY(run(*command));
    const QList<StandInRequest> received = service->requests();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0].method, QByteArray("GET"));
    QCOMPARE(received[0].path, HttpCommand::MobilePath);
    QCOMPARE(QString::fromLatin1(received[0].rawQuery()), query.replace(QLatin1String("{devid}"), deviceId));
}

void tst_AccountCommands::sampleReplies()
{
    ProfileCommand profile(*account, nullptr);
    QVERIFY(run(profile));
    QCOMPARE(profile.resultCode(), 701);
    QVERIFY(profile.subscription && profile.subscription->isPermanent());
    QCOMPARE(profile.devices.size(), 2);
    QCOMPARE(profile.devices[1].devid, QStringLiteral("SAMPLE-DEVICE-2"));
    QCOMPARE(profile.devices[1].deviceName, QStringLiteral("Laptop"));
    QCOMPARE(profile.serials, QStringList({"SAMPLE-SERIAL-1", "SAMPLE-SERIAL-2"}));
    QCOMPARE(profile.emails, QStringList{"user@example.org"});
    QVERIFY(profile.hasPassword);
    QCOMPARE(profile.subMgmtUrl, QStringLiteral("https://account.invalid/subscription"));
    QCOMPARE(profile.existingDeviceCount, 2u);
    QCOMPARE(profile.userDeviceLimit, 5u);
    QCOMPARE(profile.myDeviceId, deviceId);
    QVERIFY(!profile.myDeviceRegistered);

    RegisterCommand registration(*account, nullptr);
    QVERIFY(run(registration));
    QCOMPARE(registration.serial, QStringLiteral("SAMPLE-SERIAL-1"));
    QCOMPARE(registration.licType, QStringLiteral("Premium"));
    QCOMPARE(registration.quotaLabel, QStringLiteral("250MB"));
    QCOMPARE(registration.passwordTime, QDateTime::fromSecsSinceEpoch(1700000000));

    GetSerialCommand serial(*account, nullptr);
    QVERIFY(run(serial));
    QCOMPARE(serial.serial, QStringLiteral("SAMPLE-SERIAL-1"));
    QCOMPARE(serial.passwordTime, QDateTime::fromSecsSinceEpoch(1700000000));

    EncryptPasswordCommand encrypt(*account, nullptr);
    QVERIFY(run(encrypt));
    QCOMPARE(encrypt.encryptedPassword, QStringLiteral("SAMPLE-ENCRYPTED"));

    ChangePasswordCommand change(*account, QStringLiteral("NEW"), nullptr);
    QVERIFY(run(change));
    QCOMPARE(change.resultCode(), 2010);
    QCOMPARE(change.newEncryptedPassword, QStringLiteral("NEW"));

    RenameDeviceCommand rename(*account, nullptr);
    QVERIFY(run(rename));
    QVERIFY(rename.isSuccess());

    GetManagementPageCommand page(*account, nullptr, GetManagementPageCommand::ChangePasswordPage);
    QVERIFY(run(page));
    QCOMPARE(page.page, GetManagementPageCommand::ChangePasswordPage);
    QCOMPARE(page.url, QStringLiteral("https://account.invalid/devices"));
    QCOMPARE(page.accountMgmtUrl, QStringLiteral("https://account.invalid/"));
    QCOMPARE(page.token, QStringLiteral("SAMPLE-TOKEN"));

    DeviceIdMigrationCommand migration(*account, {}, QStringLiteral("ID"), nullptr);
    QVERIFY(run(migration));
    QCOMPARE(migration.count, 1);
}

void tst_AccountCommands::profile_data()
{
    QTest::addColumn<QString>("children");
    QTest::addColumn<bool>("registered");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("serialListed");
    QTest::addColumn<bool>("limitReached");
    QTest::addColumn<bool>("hasPassword");
    QTest::addColumn<bool>("subscribed");

    // Filled with this device's id in lower case.
    const QString devices = QStringLiteral(
        "<devlist><device><devid>other-1</devid><device_name>One</device_name></device>"
        "<item><devid>other-2</devid><device_name>Two</device_name></item>"
        "<d><devid>%1</devid><device_name>Mine</device_name></d></devlist>");
    const QString twoSerials = QStringLiteral("<seriallist><s><serial>A</serial></s><s><serial>B</serial></s></seriallist>");
    const QString threeSerials = QStringLiteral("<seriallist><s><serial>A</serial></s><s><serial>B</serial></s>"
                                                "<s><serial>C</serial></s></seriallist>");
    const QString limit = QStringLiteral("<existing_device_count>%1</existing_device_count>"
                                         "<user_device_limit>%2</user_device_limit>");

    QTest::newRow("own device, third, letter case aside")
        << devices + threeSerials + "<lictype>P</lictype><has_password>1</has_password>" << true << "Mine" << true
        << false << true << true;
    QTest::newRow("own device past the serial list") << devices + twoSerials << true << "Mine" << false << false
                                                     << false << false;
    QTest::newRow("not listed") << QString(devices).replace("%1", "other-3") + threeSerials << false << "" << false
                                << false << false << false;
    QTest::newRow("no device list") << twoSerials + "<has_password>x</has_password>" << false << "" << false
                                    << false << false << false;
    QTest::newRow("as many devices as the limit") << limit.arg(3).arg(3) << false << "" << false << false << false
                                                  << false;
    QTest::newRow("more devices than the limit") << limit.arg(4).arg(3) << false << "" << false << true << false
                                                 << false;
    QTest::newRow("no limit") << limit.arg(9).arg(0) << false << "" << false << false << false << false;
    QTest::newRow("counts that are no numbers") << limit.arg("x").arg("-1") << false << "" << false << false
                                                << false << false;
}

void tst_AccountCommands::profile()
{
    QFETCH(QString, children);
    QFETCH(bool, registered);
    service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::MobilePath)
                       .act(QStringLiteral("profile"))
                       .xml(CommandBench::resultOf(children.arg(deviceId.toLower()).toUtf8())));
    ProfileCommand command(*account, nullptr);
    const MessageCapture log;
    QVERIFY(run(command));
    QCOMPARE(command.myDeviceRegistered, registered);
    QTEST(command.myDeviceName, "name");
    QTEST(command.mySerialListed, "serialListed");
    QTEST(command.deviceLimitReached, "limitReached");
    QTEST(command.hasPassword, "hasPassword");
    QTEST(!command.subscription.isNull(), "subscribed");
    const QStringList lines = log.messages(QtDebugMsg);
    const int list = lines.indexOf(QStringLiteral("Profile device list:"));
    QVERIFY(list >= 0);
    QCOMPARE(lines.mid(list + 1 + command.devices.size(), 1),
             QStringList{registered ? "My device : " + deviceId.toLower() + " - Mine" : QStringLiteral("No my device")});
}

void tst_AccountCommands::passwordTime_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDateTime>("time");

    const QDateTime epoch(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC);
    QTest::newRow("0: the start of 1970") << "0" << epoch.toLocalTime();
    QTest::newRow("the top of 32 bits") << "4294967295"
                                        << QDateTime(QDate(2106, 2, 7), QTime(6, 28, 15), Qt::UTC).toLocalTime();
    QTest::newRow("only the low 32 bits count") << "4294967296" << epoch.toLocalTime();
    QTest::newRow("abc") << "abc" << QDateTime();
    QTest::newRow("empty") << "" << QDateTime();
    QTest::newRow("negative") << "-1" << QDateTime();
    QTest::newRow("beyond 64 bits") << "18446744073709551616" << QDateTime();
}

void tst_AccountCommands::passwordTime()
{
    QFETCH(QString, text);
    QFETCH(QDateTime, time);
    service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::MobilePath)
                       .act(QStringLiteral("verify_password"))
                       .xml(CommandBench::resultOf("<passwdtime>" + text.toUtf8() + "</passwdtime>")));
    VerifyPasswordCommand command(*account, nullptr);
    QVERIFY(run(command));
    QCOMPARE(command.passwordTime, time);
    QCOMPARE(command.passwordTime.isValid(), time.isValid());
    if (time.isValid())
        QCOMPARE(command.passwordTime.timeSpec(), Qt::LocalTime);
}

void tst_AccountCommands::failedStatusStillRead()
{
    service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::MobilePath).xml(
        "<result><status>error</status><code>914</code><statusmsg>Incorrect password</statusmsg></result>"));
    GetSerialCommand serial(*account, nullptr);
    QVERIFY(run(serial));
    QVERIFY(!serial.isSuccess());
    QCOMPARE(serial.resultCode(), 914);
    QCOMPARE(serial.resultText(), QStringLiteral("Incorrect password"));
    QVERIFY(serial.serial.isEmpty());
    QVERIFY(!serial.passwordTime.isValid());

    DeviceIdMigrationCommand migration(*account, {}, QStringLiteral("ID"), nullptr);
    QVERIFY(run(migration));
    QCOMPARE(migration.count, 0);
}

void tst_AccountCommands::secretsStayOutOfTheLog()
{
    const QStringList secrets{"Plain-Pw-1", "EncPw-2", "NewEnc-3", "SER-REPLY-4", "TOK-5", "TOK-6", "SER-LIST-7",
                              "ENC-REPLY-8", "SER-SENT-9"};
    const auto reply = [&](const char* act, const QByteArray& children) {
        service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::MobilePath).act(QLatin1String(act)).xml(CommandBench::resultOf(children)));
    };
    reply("encrypt_password", "<encrypted_password>ENC-REPLY-8</encrypted_password>");
    reply("getserial", "<serial>SER-REPLY-4</serial>");
    reply("get_device_control_page", "<token>TOK-5</token><url>https://a.invalid/p?menu=1&amp;token=TOK-6</url>");
    reply("profile", "<seriallist><s><serial>SER-LIST-7</serial></s></seriallist>");

    ClientAuthData plain;
    plain.setEmail(QStringLiteral("a@x.org"));
    plain.setPassword(secrets[0]);
    ClientAuthData signedIn;
    signedIn.setEmail(QStringLiteral("a@x.org"));
    signedIn.setPassword(secrets[1]);
    signedIn.setSerial(QStringLiteral("SER-SENT-9"));

    QTemporaryDir folder;
    const QString logPath = folder.filePath(QStringLiteral("log.txt"));
    const QtMessageHandler testHandler = qInstallMessageHandler(nullptr);
    QVERIFY(ClientLog::open(logPath));
    EncryptPasswordCommand encrypt(plain, nullptr);
    ChangePasswordCommand change(signedIn, secrets[2], nullptr);
    GetSerialCommand serial(signedIn, nullptr);
    GetManagementPageCommand page(signedIn, nullptr, GetManagementPageCommand::ManageDevicesPage);
    ProfileCommand profile(signedIn, nullptr);
    bool done = true;
    for (HttpCommand* command : std::initializer_list<HttpCommand*>{&encrypt, &change, &serial, &page, &profile})
        done = run(*command) && done;
    ClientLog::close();
    qInstallMessageHandler(testHandler);
    QVERIFY(done);
    QCOMPARE(encrypt.encryptedPassword, secrets[7]);
    QCOMPARE(page.token, secrets[4]);

    QFile file(logPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(file.readAll());
    for (const QString& secret : secrets)
        QVERIFY2(!log.contains(secret), qPrintable(secret));
    QCOMPARE(log.count(QStringLiteral("=====> Requesting")), 5);
    for (const char* masked : {"&password=***", "encrypted_new_password=***", "<token>***</token>", "serial=***"})
        QVERIFY2(log.contains(QLatin1String(masked)), masked);
}

QTEST_GUILESS_MAIN(tst_AccountCommands)
#include "tst_AccountCommands.moc"
