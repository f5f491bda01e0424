#include <ClientAuthData.h>
#include <DeviceInfoCommand.h>
#include <HostProbes.h>
#include <HttpCommandCode.h>
#include <HttpResponse.h>
#include <InitCommand.h>
#include <LinuxHostFacts.h>
#include <LogVPNErrorCommand.h>
#include <NetTools.h>
#include <ResetPasswordCommand.h>
#include <SendReportCommand.h>
#include <ServiceGetCommand.h>
#include <ServiceSetCommand.h>
#include <SetupConnectionCommand.h>
#include <SystemFunctions.h>
#include <UpdateCommand.h>
#include <UsageCommand.h>

#include "ApiTestKit.h"
#include "CommandBench.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

using CommandMaker = std::function<HttpCommand*(const ClientAuthData&)>;

CommandMaker maker(CommandMaker make)
{
    return make;
}

// What no JSON template should survive unchanged: quotes, backslashes, line
// breaks, control characters, placeholders and text beyond ASCII.
const QString Hostile = QStringLiteral("say \"hi\" \\ C:\\dir\nnext\r\tline \x01 %1 %2 %9 %% Grüße 日本 🙂");

} // namespace

Q_DECLARE_METATYPE(CommandMaker)

class tst_ServiceCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void wire_data();
    void wire();
    void sampleReplies();
    void verdicts_data();
    void verdicts();
    void jsonValuesComeBackWhole();
    void postureFromTheHost();
    void postureFromProgramsInThePath();
    void vpnCredentialsStayOutOfTheLog();
    void reportUploadProgress();

private:
    bool run(HttpCommand& command) { return bench->run(command); }

    std::unique_ptr<CommandBench> bench;
    std::unique_ptr<ClientAuthData> account;
};

void tst_ServiceCommands::initTestCase()
{
    bench = std::make_unique<CommandBench>();
    QVERIFY(bench->service->isRunning());
    bench->facts.release = {{"PRETTY_NAME", "Debian 12"}, {"NAME", "Debian"}, {"VERSION_ID", "12"}};
    bench->facts.kernel = QStringLiteral("6.1.0");
    account = std::make_unique<ClientAuthData>();
    CommandBench::fillAccount(*account);
}

void tst_ServiceCommands::init()
{
    bench->service->reset();
    SetupConnectionCommand::SetConnectionInfo(QStringLiteral("5"), QStringLiteral("198.51.100.1"));
}

void tst_ServiceCommands::cleanup()
{
    QCOMPARE(bench->service->violations(), QStringList());
    QTRY_COMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
}

void tst_ServiceCommands::wire_data()
{
    QTest::addColumn<CommandMaker>("make");
    QTest::addColumn<bool>("signedIn");
    QTest::addColumn<QString>("path");
    // The raw query; for a POST " | " and the body. {devid}: this device's id.
    QTest::addColumn<QString>("wire");

    const QString user = QStringLiteral("appid=MAC-OZM&devid={devid}&email=a%2Bb@x.org");
    const QString mobile = HttpCommand::MobilePath;
    QTest::newRow("init") << maker([](const ClientAuthData& d) { return new InitCommand(d.appId(), nullptr); })
                          << true << mobile
                          << "act=init&appid=MAC-OZM&fmt=xml&old_ip=198.51.100.1&ovpn=1&server_list_version=5";
    QTest::newRow("setup_connection")
        << maker([](const ClientAuthData& d) { return new SetupConnectionCommand(d, "de1.vpn.invalid", nullptr); })
        << true << HttpCommand::SetupConnectionPath
        << user + "&encrypted_password=Enc%2BPw%2541&fmt=xml&old_ip=198.51.100.1&ovpn=1&server_list_version=5"
                  "&vpnhost=de1.vpn.invalid";
    QTest::newRow("update") << maker([](const ClientAuthData& d) { return new UpdateCommand(d, 475, "de", nullptr); })
                            << true << mobile
                            << "act=update&appid=MAC-OZM&fmt=xml&locale=de&os=linux&serial=SER-1&version=475";
    QTest::newRow("update, no serial: none sent")
        << maker([](const ClientAuthData& d) { return new UpdateCommand(d, -1, "", nullptr); }) << false << mobile
        << "act=update&appid=MAC-OZM&fmt=xml&locale=&os=linux&version=-1";
    QTest::newRow("reset_password")
        << maker([](const ClientAuthData& d) { return new ResetPasswordCommand(d, nullptr); }) << true << mobile
        << "act=reset_password&appid=MAC-OZM&email=a%2Bb@x.org&fmt=xml";
    QTest::newRow("sendreport")
        << maker([](const ClientAuthData& d) {
               return new SendReportCommand(d, "Ann Lee", "c+d@y.org", "50% off", "It fails", "log+line", nullptr);
           })
        << true << mobile
        << " | act=sendreport&appid=MAC-OZM&fmt=xml&name=Ann Lee&request_email=c%2Bd@y.org&request_text=log%2Bline"
           "&serial=SER-1&user_subject=50%25 off&user_text=It fails";
    QTest::newRow("sendreport, nothing optional, the empty serial still sent")
        << maker([](const ClientAuthData& d) { return new SendReportCommand(d, "", "", "", "", "", nullptr); })
        << false << mobile << " | act=sendreport&appid=MAC-OZM&fmt=xml&request_text=&serial=";
    QTest::newRow("service get")
        << maker([](const ClientAuthData& d) { return new ServiceGetCommand(d, nullptr); }) << true
        << HttpCommand::ServicePath + "get" << user + "&fmt=xml";
    QTest::newRow("service set: off left out, the later of two wins")
        << maker([](const ClientAuthData& d) {
               return new ServiceSetCommand(d,
                                            {{"7", true, {{"5", "2"}, {"6", "x"}}},
                                             {"8", false, {{"1", "1"}}},
                                             {"7", true, {{"5", "3"}, {"9", ""}}},
                                             {"10", true, {}}},
                                            nullptr);
           })
        << true << HttpCommand::ServicePath + "set" << user + "&fmt=xml&services[10]=&services[7]=5:3,9:";
    QTest::newRow("service set, none on")
        << maker([](const ClientAuthData& d) { return new ServiceSetCommand(d, {{"7", false, {}}}, nullptr); })
        << true << HttpCommand::ServicePath + "set" << user + "&fmt=xml";
    QTest::newRow("usage by days")
        << maker([](const ClientAuthData& d) { return new UsageCommand(d, UsageCommand::Days, 365, nullptr); })
        << true << mobile << "act=usage&appid=MAC-OZM&fmt=xml&serial=SER-1&span=365&spanflag=days";
    QTest::newRow("usage by sessions")
        << maker([](const ClientAuthData& d) { return new UsageCommand(d, UsageCommand::Sessions, 4000000000u, nullptr); })
        << true << mobile << "act=usage&appid=MAC-OZM&fmt=xml&serial=SER-1&span=4000000000&spanflag=sessions";
    QTest::newRow("log_vpn_error: no fmt")
        << maker([](const ClientAuthData& d) {
               return new LogVPNErrorCommand(d, "198.51.100.7", "203.0.113.5", "Berlin 1", "Europe", "TLS error",
                                             1700000000, nullptr);
           })
        << true << mobile
        << "act=log_vpn_error&appid=MAC-OZM&clientip=198.51.100.7&clientversion=4.7.5&devid={devid}"
           "&email=a%2Bb@x.org&osname=linux&osversion=Debian%2012"
           " | [{\"serverip\":\"203.0.113.5\", \"servername\":\"Berlin 1\", \"clustername\":\"Europe\", "
           "\"error\":\"TLS error\", \"timestamp\":1700000000}]";
    QTest::newRow("device_posture_check: fmt and act")
        << maker([](const ClientAuthData& d) {
               return new DeviceInfoCommand(d, "Debian 12", "S1", "host", "B1", "Model", "02:00:00:00:00:01", "ID",
                                            "none",
                                            {DeviceInfoCommand::browserEntry("safari", ""),
                                             DeviceInfoCommand::browserEntry("firefox", "115.0")},
                                            nullptr);
           })
        << true << mobile
        << "act=device_posture_check&" + user + "&encrypted_password=Enc%2BPw%2541&fmt=xml"
                 " | {\"os_version\":\"Debian 12\", \"os_serial_number\":\"S1\", \"system_domain\":\"host\", "
                 "\"system_serial_number\":\"B1\", \"model_identifier\":\"Model\", \"mac_address\":\"02:00:00:00:00:01\", "
                 "\"product_uuid\":\"ID\", \"antivirus\":\"none\", \"browser\":{\"safari\":\"\",\"firefox\":\"115.0\"}}";
    QTest::newRow("device_posture_check, no browsers")
        << maker([](const ClientAuthData& d) {
               return new DeviceInfoCommand(d, "", "", "", "", "", "", "", "", {}, nullptr);
           })
        << false << mobile
        << "act=device_posture_check&appid=MAC-OZM&devid={devid}&email=&encrypted_password=&fmt=xml"
           " | {\"os_version\":\"\", \"os_serial_number\":\"\", \"system_domain\":\"\", \"system_serial_number\":\"\", "
           "\"model_identifier\":\"\", \"mac_address\":\"\", \"product_uuid\":\"\", \"antivirus\":\"\", \"browser\":{}}";
}

void tst_ServiceCommands::wire()
{
    QFETCH(CommandMaker, make);
    QFETCH(bool, signedIn);
    QFETCH(QString, path);
    QFETCH(QString, wire);
    ClientAuthData data;
    if (signedIn)
        CommandBench::fillAccount(data);
    std::unique_ptr<HttpCommand> command(make(data));
    // Copied when made: later changes reach neither this request nor its retries.
    data.setEmail(QStringLiteral("later@x.org"));
    SetupConnectionCommand::SetConnectionInfo(QStringLiteral("6"), QStringLiteral("later"));
    QVERIFY(run(*command));
    const QList<StandInRequest> received = bench->service->requests();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0].path, path);
    QCOMPARE(bench->lastWire(), wire.replace(QLatin1String("{devid}"), data.deviceId()));
}

void tst_ServiceCommands::sampleReplies()
{
    InitCommand init(account->appId(), nullptr);
    QVERIFY(run(init));
    QVERIFY(init.hasData);
    QCOMPARE(init.servers.size(), 2);
    QCOMPARE(init.servers[0].host, QStringLiteral("de1.vpn.invalid"));
    QCOMPARE(init.servers[1].state, QString(""));
    QCOMPARE(init.clusters.size(), 1);
    QCOMPARE(init.clusters[0].description, QStringLiteral("Europe"));
    QCOMPARE(init.clusters[0].servers, QStringList({"Berlin 1", "Paris 1"}));
    QCOMPARE(init.location.ip, QStringLiteral("198.51.100.7"));
    QCOMPARE(init.location.isoCountryCode, QStringLiteral("DE"));
    QCOMPARE(init.vpnClosestHost, QStringLiteral("de1.vpn.invalid"));
    QCOMPARE(init.distEmail, QStringLiteral("support@example.org"));
    QCOMPARE(init.distFaqUrl, QStringLiteral("https://faq.invalid/"));
    QCOMPARE(init.distTourUrl, QStringLiteral("https://tour.invalid/"));
    QCOMPARE(SetupConnectionCommand::GetConnectionInfoServerListVersion(), QStringLiteral("7"));
    QCOMPARE(SetupConnectionCommand::GetConnectionInfoOldIp(), QStringLiteral("198.51.100.7"));

    SetupConnectionCommand setup(*account, QStringLiteral("de1.vpn.invalid"), nullptr);
    QVERIFY(run(setup));
    QCOMPARE(setup.resultCode(), int(HttpCommandCode::API_CODE_SETUP_CONNECTION_SUCCESS));
    QCOMPARE(setup.host, QStringLiteral("de1.vpn.invalid"));
    QCOMPARE(setup.user, QStringLiteral("SAMPLE-VPN-USER"));
    QCOMPARE(setup.password, QStringLiteral("SAMPLE-VPN-PASSWORD"));
    QVERIFY(setup.isEncrypted);
    QVERIFY(!setup.hasNewServerList);
    QVERIFY(!setup.hasNewLocation);

    UpdateCommand update(*account, 475, QStringLiteral("en"), nullptr);
    QVERIFY(run(update));
    QCOMPARE(update.url, QStringLiteral("https://downloads.invalid/ozm-4.8.0.tar.gz"));
    QCOMPARE(update.version, 480);
    QCOMPARE(update.description, QStringLiteral("Faster connections."));

    ServiceGetCommand services(*account, nullptr);
    QVERIFY(run(services));
    QCOMPARE(services.services.size(), size_t(2));
    QCOMPARE(services.services[0].block, QStringList{"2"});
    QCOMPARE(services.services[0].settings.at(0)->listSetting()->index, 1);
    QCOMPARE(services.services[1].settings.at(0)->rangeSetting()->value, 70);

    UsageCommand usage(*account, UsageCommand::Days, 365, nullptr);
    QVERIFY(run(usage));
    QCOMPARE(usage.sessions.size(), 2);
    QCOMPARE(usage.sessions[1].duration, 3723);
    QCOMPARE(usage.activeSession.traffic, 12.5);
    QCOMPARE(usage.allSessions.size(), 1);
}

void tst_ServiceCommands::verdicts_data()
{
    QTest::addColumn<CommandMaker>("make");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("act");
    QTest::addColumn<QString>("sample");
    QTest::addColumn<bool>("completed");
    QTest::addColumn<bool>("success");
    QTest::addColumn<int>("code");

    const auto setup = maker([](const ClientAuthData& d) { return new SetupConnectionCommand(d, "h", nullptr); });
    const auto usage = maker([](const ClientAuthData& d) { return new UsageCommand(d, UsageCommand::Days, 1, nullptr); });
    const auto get = maker([](const ClientAuthData& d) { return new ServiceGetCommand(d, nullptr); });
    const auto set = maker([](const ClientAuthData& d) { return new ServiceSetCommand(d, {{"1", true, {}}}, nullptr); });
    const QString setupPath = HttpCommand::SetupConnectionPath;
    const QString mobile = HttpCommand::MobilePath;
    const QString getPath = HttpCommand::ServicePath + "get";
    const QString setPath = HttpCommand::ServicePath + "set";
    // A set-up reply without "glossary" is not read at all.
    QTest::newRow("1501 without glossary") << setup << setupPath << "" << "1501" << false << true << 1501;
    for (int code : {1511, 1512, 1513, 1514})
        QTest::newRow(qPrintable(QString::number(code))) << setup << setupPath << "" << QString::number(code) << false
                                                         << false << code;
    QTest::newRow("setup partial") << setup << setupPath << "" << "setup partial" << true << true << -1;
    QTest::newRow("1401") << usage << mobile << "usage" << "1401" << true << true << 1401;
    QTest::newRow("1411") << usage << mobile << "usage" << "1411" << true << false << 1411;
    QTest::newRow("usage partial") << usage << mobile << "usage" << "usage partial" << true << true << 1401;
    for (int code : {1901, 1910, 1946})
        QTest::newRow(qPrintable("get " + QString::number(code)))
            << get << getPath << "" << QString::number(code) << true << (code != 1946) << code;
    QTest::newRow("services partial") << get << getPath << "" << "services partial" << true << true << 1910;
    for (int code : {1911, 1912, 1913, 1914, 1945, 1947})
        QTest::newRow(qPrintable("set " + QString::number(code)))
            << set << setPath << "" << QString::number(code) << true << (code == 1911) << code;
}

void tst_ServiceCommands::verdicts()
{
    QFETCH(CommandMaker, make);
    QFETCH(QString, path);
    QFETCH(QString, act);
    QFETCH(QString, sample);
    bench->service->reply(StandInReply(QStringLiteral("GET"), path).act(act).sample(sample));
    std::unique_ptr<HttpCommand> command(make(*account));
    const QString version = SetupConnectionCommand::GetConnectionInfoServerListVersion();
    QTEST(run(*command), "completed");
    QTEST(command->isSuccess(), "success");
    QTEST(command->resultCode(), "code");
    QCOMPARE(SetupConnectionCommand::GetConnectionInfoServerListVersion(), version);
}

void tst_ServiceCommands::jsonValuesComeBackWhole()
{
    LogVPNErrorCommand error(*account, Hostile, "203.0.113.5", "%4" + Hostile, "%5", Hostile, 1700000000, nullptr);
    QVERIFY(run(error));
    const StandInRequest logged = bench->service->requests().last();
    const QJsonObject report = logged.json.toArray().at(0).toObject();
    QCOMPARE(report.value("serverip").toString(), QStringLiteral("203.0.113.5"));
    QCOMPARE(report.value("servername").toString(), "%4" + Hostile);
    QCOMPARE(report.value("clustername").toString(), QStringLiteral("%5"));
    QCOMPARE(report.value("error").toString(), Hostile);
    QCOMPARE(report.value("timestamp").toVariant().toLongLong(), 1700000000LL);
    QCOMPARE(logged.query.last(), qMakePair(QStringLiteral("osversion"), QStringLiteral("Debian 12")));
    QVERIFY(logged.query.contains(qMakePair(QStringLiteral("clientip"), Hostile)));
    // The layout stays: ", " between members, nothing after ":", the time bare.
    const QString escaped = QStringLiteral(
        "say \\\"hi\\\" \\\\ C:\\\\dir\\nnext\\r\\tline \\u0001 %1 %2 %9 %% Grüße 日本 🙂");
    QCOMPARE(QString::fromUtf8(logged.body),
             "[{\"serverip\":\"203.0.113.5\", \"servername\":\"%4" + escaped + "\", \"clustername\":\"%5\", \"error\":\""
                 + escaped + "\", \"timestamp\":1700000000}]");

    DeviceInfoCommand device(*account, Hostile, "%2", "%9", Hostile, "%1", Hostile, "%3", Hostile,
                             {DeviceInfoCommand::browserEntry("fire\"fox", Hostile),
                              DeviceInfoCommand::browserEntry("chrome", "%8")},
                             nullptr);
    QVERIFY(run(device));
    const QJsonObject posture = bench->service->requests().last().json.toObject();
    const QStringList values{Hostile, "%2", "%9", Hostile, "%1", Hostile, "%3", Hostile};
    for (const char* key : {"os_version", "os_serial_number", "system_domain", "system_serial_number",
                            "model_identifier", "mac_address", "product_uuid", "antivirus"})
        QVERIFY2(posture.contains(key), key);
    QCOMPARE(posture.value("os_version").toString(), values[0]);
    QCOMPARE(posture.value("os_serial_number").toString(), values[1]);
    QCOMPARE(posture.value("system_domain").toString(), values[2]);
    QCOMPARE(posture.value("system_serial_number").toString(), values[3]);
    QCOMPARE(posture.value("model_identifier").toString(), values[4]);
    QCOMPARE(posture.value("mac_address").toString(), values[5]);
    QCOMPARE(posture.value("product_uuid").toString(), values[6]);
    QCOMPARE(posture.value("antivirus").toString(), values[7]);
    const QJsonObject browsers = posture.value("browser").toObject();
    QCOMPARE(browsers.value("fire\"fox").toString(), Hostile);
    QCOMPARE(browsers.value("chrome").toString(), QStringLiteral("%8"));
}

void tst_ServiceCommands::postureFromTheHost()
{
    bench->facts.host = QStringLiteral("desk.example.org");
    bench->facts.attributes = {{"product_serial", "PS-1"}, {"board_serial", "BS-\"2\""}, {"product_name", "Box 9"}};
    // What the programs print ends in a line feed, and may quote.
    bench->facts.programs = {{"clamscan", "ClamAV 1.0.1/27000\n"}, {"firefox", "Mozilla Firefox \"115.0\"\n"}};
    std::unique_ptr<DeviceInfoCommand> command(DeviceInfoCommand::fromHostProbes(*account, nullptr));
    QVERIFY(run(*command));
    const QJsonObject posture = bench->service->requests().last().json.toObject();
    QCOMPARE(posture.value("os_version").toString(), GetOSVersion());
    QCOMPARE(posture.value("os_serial_number").toString(), QStringLiteral("PS-1"));
    QCOMPARE(posture.value("system_domain").toString(), QStringLiteral("desk.example.org"));
    QCOMPARE(posture.value("system_serial_number").toString(), GetBoardSerial());
    QCOMPARE(posture.value("model_identifier").toString(), QStringLiteral("Box 9"));
    QCOMPARE(posture.value("mac_address").toString(), NetTools::getMacAddresses(QStringLiteral("; ")));
    QCOMPARE(posture.value("product_uuid").toString(), account->deviceId());
    QCOMPARE(posture.value("antivirus").toString(), QStringLiteral("Clam:ClamAV 1.0.1/27000\n; "));
    const QJsonObject browsers = posture.value("browser").toObject();
    QCOMPARE(browsers.keys(), QStringList({"chrome", "firefox", "safari"}));
    QCOMPARE(browsers.value("safari").toString(), QString(""));
    QCOMPARE(browsers.value("firefox").toString(), GetFirefoxVersion());
    QCOMPARE(browsers.value("chrome").toString(), QStringLiteral("none"));
    bench->facts.programs.clear();
}

// The browsers' own programs, found in the search path, print what no JSON
// string may hold as it is. The body stays JSON, its members in order, with
// "none" for no antivirus and always three browsers.
void tst_ServiceCommands::postureFromProgramsInThePath()
{
    QTemporaryDir bin;
    const QByteArray firefox = "Mozilla \"Firefox\" C:\\ff\\ 115.0\nESR\n";
    const QByteArray chromium = "Chromium \"120\" \\built\\\nDebian\n";
    writeFile(bin.filePath("firefox.out"), firefox);
    writeFile(bin.filePath("chromium.out"), chromium);
    writeScript(bin.filePath("firefox"), "/bin/cat " + QFile::encodeName(bin.filePath("firefox.out")));
    writeScript(bin.filePath("chromium"), "/bin/cat " + QFile::encodeName(bin.filePath("chromium.out")));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    LinuxHostFacts machine;
    setHostFacts(&machine);
    std::unique_ptr<DeviceInfoCommand> command(DeviceInfoCommand::fromHostProbes(*account, nullptr));
    setHostFacts(&bench->facts);
    qputenv("PATH", path);
    QVERIFY(run(*command));

    const QByteArray body = bench->service->requests().last().body;
    QJsonParseError error{};
    const QJsonObject posture = QJsonDocument::fromJson(body, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(posture.value("antivirus").toString(), QStringLiteral("none"));
    const QJsonObject browsers = posture.value("browser").toObject();
    QCOMPARE(browsers.size(), 3);
    QCOMPARE(browsers.value("safari").toString(), QString(""));
    QCOMPARE(browsers.value("firefox").toString(), QStringLiteral("Mozilla \"Firefox\" C:\\ff\\ 115.0\nESR"));
    QCOMPARE(browsers.value("chrome").toString(), QStringLiteral("Chromium \"120\" \\built\\Debian"));
    QVERIFY(body.indexOf("\"safari\"") < body.indexOf("\"firefox\""));
    QVERIFY(body.indexOf("\"firefox\"") < body.indexOf("\"chrome\""));
    // The service's own parser checks the nine members' order: see cleanup().
}

void tst_ServiceCommands::vpnCredentialsStayOutOfTheLog()
{
    bench->reply(QStringLiteral("GET"), HttpCommand::SetupConnectionPath, QString(),
                 "<glossary><hostname>h.vpn.invalid</hostname><username>VpnUser-1</username>"
                 "<password>VpnPass-2</password></glossary>");
    const MessageCapture log;
    SetupConnectionCommand setup(*account, QStringLiteral("h.vpn.invalid"), nullptr);
    QVERIFY(run(setup));
    QCOMPARE(setup.user, QStringLiteral("VpnUser-1"));
    QCOMPARE(setup.password, QStringLiteral("VpnPass-2"));
    const QString lines = log.messages().join(QLatin1Char('\n'));
    QVERIFY(lines.contains(QLatin1String("h.vpn.invalid")));
    QVERIFY(!lines.contains(QLatin1String("VpnUser-1")));
    QVERIFY(!lines.contains(QLatin1String("VpnPass-2")));
    QVERIFY(!lines.contains(QLatin1String("Enc+Pw")));
}

void tst_ServiceCommands::reportUploadProgress()
{
    const QString report(256 * 1024, QLatin1Char('r'));
    SendReportCommand command(*account, {}, {}, {}, {}, report, nullptr);
    QSignalSpy progress(&command, &HttpCommand::progress);
    QVERIFY(run(command));
    const qint64 sent = bench->service->requests().last().body.size();
    QVERIFY(sent > report.size());
    bool whole = false;
    for (const QList<QVariant>& step : qAsConst(progress))
        whole = whole || (step[0].toLongLong() == sent && step[1].toLongLong() == sent);
    QVERIFY(whole);
}

QTEST_GUILESS_MAIN(tst_ServiceCommands)
#include "tst_ServiceCommands.moc"
