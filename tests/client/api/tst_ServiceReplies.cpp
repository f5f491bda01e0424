#include <ClientAuthData.h>
#include <HttpResponse.h>
#include <InitCommand.h>
#include <ServiceGetCommand.h>
#include <SetupConnectionCommand.h>
#include <UsageCommand.h>

#include "ApiTestKit.h"
#include "CommandBench.h"

#include <QtTest>

#include <climits>
#include <memory>

namespace {

// Stands for a null string in the tables.
const QString Null = QStringLiteral("<null>");

QString orNull(const QString& text)
{
    return text.isNull() ? Null : text;
}

QStringList serverLines(const QList<VpnServer>& servers)
{
    QStringList lines;
    for (const VpnServer& s : servers)
        lines << QStringList{s.name, s.host, s.city, s.country, s.state}.join(QLatin1Char('|'));
    return lines;
}

QStringList clusterLines(const QList<VpnCluster>& clusters)
{
    QStringList lines;
    for (const VpnCluster& c : clusters)
        lines << QStringList{c.name, c.description, c.country, c.servers.join(QLatin1Char(','))}.join(QLatin1Char('|'));
    return lines;
}

// "id name on|off [blocks]", then one line per setting kept.
QStringList serviceLines(const std::vector<Service>& services)
{
    QStringList lines;
    for (const Service& service : services) {
        lines << QStringLiteral("%1 %2 %3 [%4]")
                     .arg(service.id, service.name, service.active ? "on" : "off", service.block.join(','));
        for (const auto& setting : service.settings) {
            if (const Service::ListSetting* list = setting->listSetting())
                lines << QStringLiteral("  list %1 %2 %3 of %4")
                             .arg(list->id, list->name, QString::number(list->index), list->values.join(','));
            else if (const Service::RangeSetting* range = setting->rangeSetting())
                lines << QStringLiteral("  range %1 %2 %3 in %4..%5")
                             .arg(range->id, range->name)
                             .arg(range->value)
                             .arg(range->min)
                             .arg(range->max);
        }
    }
    return lines;
}

QByteArray server(const QByteArray& tag, const QByteArray& name, const QByteArray& host = "h")
{
    return "<" + tag + "><name>" + name + "</name><hostname>" + host + "</hostname><city> Old Town </city>"
           "<country>DE</country><state></state></" + tag + ">";
}

} // namespace

class tst_ServiceReplies : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void initReply_data();
    void initReply();
    void setupReply_data();
    void setupReply();
    void connectionInfoTravels();
    void commandsBuiltTogetherSendTheSame();
    void services_data();
    void services();
    void serviceMoves();
    void sessionFields_data();
    void sessionFields();
    void sessionOrderAndActive();

private:
    bool run(HttpCommand& command) { return bench->run(command); }
    // The connection info's two values sent in the newest request.
    QPair<QString, QString> sentConnectionInfo() const;

    std::unique_ptr<CommandBench> bench;
    std::unique_ptr<ClientAuthData> account;
};

void tst_ServiceReplies::initTestCase()
{
    bench = std::make_unique<CommandBench>();
    QVERIFY(bench->service->isRunning());
    account = std::make_unique<ClientAuthData>();
    CommandBench::fillAccount(*account);
}

void tst_ServiceReplies::init()
{
    bench->service->reset();
    SetupConnectionCommand::SetConnectionInfo(QStringLiteral("5"), QStringLiteral("198.51.100.1"));
}

void tst_ServiceReplies::cleanup()
{
    QCOMPARE(bench->service->violations(), QStringList());
    QTRY_COMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
}

QPair<QString, QString> tst_ServiceReplies::sentConnectionInfo() const
{
    QPair<QString, QString> info;
    const QList<StandInRequest> received = bench->service->requests();
    for (const auto& item : received.last().query) {
        if (item.first == QLatin1String("server_list_version"))
            info.first = item.second;
        else if (item.first == QLatin1String("old_ip"))
            info.second = item.second;
    }
    return info;
}

void tst_ServiceReplies::initReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("hasData");
    QTest::addColumn<QStringList>("servers");
    QTest::addColumn<QStringList>("clusters");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("oldIp");

    QTest::newRow("empty result: nothing changes") << QByteArray("<result/>") << false << QStringList() << QStringList()
                                                   << Null << "5" << "198.51.100.1";
    QTest::newRow("no location") << CommandBench::resultOf("<new_server_list_version>8</new_server_list_version>")
                                 << true << QStringList() << QStringList() << Null << "8" << "Identifying";
    QTest::newRow("location, ip without text") << CommandBench::resultOf("<location><ip/></location>") << true
                                               << QStringList() << QStringList() << "" << "" << "Unknown";
    QTest::newRow("location without ip")
        << CommandBench::resultOf("<location><description>Berlin</description></location>") << true << QStringList()
        << QStringList() << Null << "" << "Identifying";
    QTest::newRow("location with ip")
        << CommandBench::resultOf("<new_server_list_version>9</new_server_list_version>"
                                  "<location><ip>203.0.113.9</ip></location>")
        << true << QStringList() << QStringList() << "203.0.113.9" << "9" << "203.0.113.9";
    QTest::newRow("error reply sets the info too")
        << QByteArray("<result><status>error</status><code>10</code></result>") << true << QStringList()
        << QStringList() << Null << "" << "Identifying";
    QTest::newRow("entries under any tag, names and server fields untrimmed")
        << CommandBench::resultOf("<vpnlist>" + server("server", " A ") + server("x", "B", " b.invalid ")
                                  + "</vpnlist><clusters><c><name> EU </name><description>\n Europe \t</description>"
                                    "<iso_country_code> EU\n</iso_country_code></c>"
                                    "<y><name>Asia</name><servers><foo>skip</foo><element> A </element>"
                                    "<bar>B</bar></servers></y></clusters>")
        << true << QStringList{" A |h| Old Town |DE|", "B| b.invalid | Old Town |DE|"}
        << QStringList{" EU |Europe|EU|", "Asia|||" " A ,B"} << Null << "" << "Identifying";
}

void tst_ServiceReplies::initReply()
{
    QFETCH(QByteArray, reply);
    bench->service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::MobilePath).act("init").xml(reply));
    InitCommand command(account->appId(), nullptr);
    QVERIFY(run(command));
    QTEST(command.hasData, "hasData");
    QTEST(serverLines(command.servers), "servers");
    QTEST(clusterLines(command.clusters), "clusters");
    QTEST(orNull(command.location.ip), "ip");
    QTEST(SetupConnectionCommand::GetConnectionInfoServerListVersion(), "version");
    QTEST(SetupConnectionCommand::GetConnectionInfoOldIp(), "oldIp");
}

void tst_ServiceReplies::setupReply_data()
{
    QTest::addColumn<QByteArray>("children");
    QTest::addColumn<bool>("completed");
    // host|user|password
    QTest::addColumn<QString>("credentials");
    QTest::addColumn<bool>("encrypted");
    QTest::addColumn<bool>("hasNewServerList");
    QTest::addColumn<int>("servers");
    QTest::addColumn<int>("clusters");
    QTest::addColumn<bool>("hasNewLocation");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("oldIp");

    const QByteArray glossary = "<glossary><hostname> h </hostname><username>u</username><password>p</password>"
                                "</glossary>";
    const QString before = "198.51.100.1";
    QTest::newRow("no glossary") << QByteArray("<encrypted>0</encrypted><client_ip>1.2.3.4</client_ip>"
                                               "<new_server_list_version>9</new_server_list_version>")
                                 << false << "||" << true << false << 0 << 0 << false << Null << "5" << before;
    QTest::newRow("glossary only") << glossary << true << " h |u|p" << true << false << 0 << 0 << false << Null << "5"
                                   << before;
    QTest::newRow("encrypted 0") << glossary + "<encrypted>0</encrypted>" << true << " h |u|p" << false << false << 0
                                 << 0 << false << Null << "5" << before;
    for (const char* text : {"1", "false", "", " 0", "00"})
        QTest::newRow(qPrintable(QStringLiteral("encrypted '%1'").arg(text)))
            << glossary + "<encrypted>" + text + "</encrypted>" << true << " h |u|p" << true << false << 0 << 0
            << false << Null << "5" << before;
    QTest::newRow("encrypted inside glossary is not seen")
        << QByteArray("<glossary><encrypted>0</encrypted></glossary>") << true << "||" << true << false << 0 << 0
        << false << Null << "5" << before;
    QTest::newRow("version and address: the pair changes")
        << glossary + "<client_ip>203.0.113.4</client_ip><new_server_list_version>9</new_server_list_version>" << true
        << " h |u|p" << true << false << 0 << 0 << false << Null << "9" << "203.0.113.4";
    QTest::newRow("version without address") << glossary + "<new_server_list_version>9</new_server_list_version>"
                                             << true << " h |u|p" << true << false << 0 << 0 << false << Null << "5"
                                             << before;
    QTest::newRow("version, empty address")
        << glossary + "<client_ip/><new_server_list_version>9</new_server_list_version>" << true << " h |u|p" << true
        << false << 0 << 0 << false << Null << "5" << before;
    QTest::newRow("address without version") << glossary + "<client_ip>203.0.113.4</client_ip>" << true << " h |u|p"
                                             << true << false << 0 << 0 << false << Null << "5" << before;
    QTest::newRow("empty new_server_list") << glossary + "<new_server_list/>" << true << " h |u|p" << true << false
                                           << 0 << 0 << false << Null << "5" << before;
    QTest::newRow("new_server_list with clusters only")
        << glossary + "<new_server_list><clusters><c><name>EU</name></c></clusters></new_server_list>" << true
        << " h |u|p" << true << true << 0 << 1 << false << Null << "5" << before;
    QTest::newRow("new_server_list with both")
        << glossary + "<new_server_list><vpnlist>" + server("s", "A") + server("t", "B")
               + "</vpnlist><clusters><c/></clusters></new_server_list>"
        << true << " h |u|p" << true << true << 2 << 1 << false << Null << "5" << before;
    QTest::newRow("vpnlist beside new_server_list is not seen")
        << glossary + "<vpnlist>" + server("s", "A") + "</vpnlist>" << true << " h |u|p" << true << false << 0 << 0
        << false << Null << "5" << before;
    QTest::newRow("empty new_location") << glossary + "<new_location/>" << true << " h |u|p" << true << false << 0 << 0
                                        << false << Null << "5" << before;
    QTest::newRow("new_location without ip")
        << glossary + "<new_location><description>x</description></new_location>" << true << " h |u|p" << true
        << false << 0 << 0 << true << Null << "5" << before;
    QTest::newRow("new_location with ip") << glossary + "<new_location><ip>203.0.113.4</ip></new_location>" << true
                                          << " h |u|p" << true << false << 0 << 0 << true << "203.0.113.4" << "5"
                                          << before;
}

void tst_ServiceReplies::setupReply()
{
    QFETCH(QByteArray, children);
    bench->reply(QStringLiteral("GET"), HttpCommand::SetupConnectionPath, QString(), children);
    SetupConnectionCommand command(*account, QStringLiteral("h"), nullptr);
    QTEST(run(command), "completed");
    QTEST(QStringList({command.host, command.user, command.password}).join('|'), "credentials");
    QTEST(command.isEncrypted, "encrypted");
    QTEST(command.hasNewServerList, "hasNewServerList");
    QTEST(command.servers.size(), "servers");
    QTEST(command.clusters.size(), "clusters");
    QTEST(command.hasNewLocation, "hasNewLocation");
    QTEST(orNull(command.location.ip), "ip");
    QTEST(SetupConnectionCommand::GetConnectionInfoServerListVersion(), "version");
    QTEST(SetupConnectionCommand::GetConnectionInfoOldIp(), "oldIp");
}

void tst_ServiceReplies::connectionInfoTravels()
{
    // Every start begins here.
    SetupConnectionCommand::SetConnectionInfo(QStringLiteral("0"), QString());
    InitCommand first(account->appId(), nullptr);
    bench->service->reply(StandInReply(QStringLiteral("GET"), HttpCommand::MobilePath)
                              .act(QStringLiteral("init"))
                              .xml(CommandBench::resultOf("<vpnlist/>"))
                              .times(1));
    QVERIFY(run(first));
    QCOMPARE(sentConnectionInfo(), qMakePair(QStringLiteral("0"), QStringLiteral("")));
    QCOMPARE(SetupConnectionCommand::GetConnectionInfoOldIp(), QStringLiteral("Identifying"));

    // A reply without a version: the next request sends an empty one.
    SetupConnectionCommand setup(*account, QStringLiteral("h"), nullptr);
    bench->reply(QStringLiteral("GET"), HttpCommand::SetupConnectionPath, QString(),
                 "<glossary/><client_ip>203.0.113.4</client_ip><new_server_list_version>9</new_server_list_version>");
    QVERIFY(run(setup));
    QCOMPARE(sentConnectionInfo(), qMakePair(QString(""), QStringLiteral("Identifying")));

    InitCommand next(account->appId(), nullptr);
    QVERIFY(run(next));
    QCOMPARE(sentConnectionInfo(), qMakePair(QStringLiteral("9"), QStringLiteral("203.0.113.4")));
    SetupConnectionCommand again(*account, QStringLiteral("h"), nullptr);
    QVERIFY(run(again));
    QCOMPARE(sentConnectionInfo(), qMakePair(QStringLiteral("7"), QStringLiteral("198.51.100.7")));
}

void tst_ServiceReplies::commandsBuiltTogetherSendTheSame()
{
    InitCommand first(account->appId(), nullptr);
    InitCommand second(account->appId(), nullptr);
    SetupConnectionCommand third(*account, QStringLiteral("h"), nullptr);
    QVERIFY(run(first));
    QCOMPARE(SetupConnectionCommand::GetConnectionInfoServerListVersion(), QStringLiteral("7"));
    const auto sent = sentConnectionInfo();
    QCOMPARE(sent, qMakePair(QStringLiteral("5"), QStringLiteral("198.51.100.1")));
    QVERIFY(run(second));
    QCOMPARE(sentConnectionInfo(), sent);
    QVERIFY(run(third));
    QCOMPARE(sentConnectionInfo(), sent);
}

void tst_ServiceReplies::services_data()
{
    QTest::addColumn<QByteArray>("children");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("critical");

    // A service with user_settings us and the settings given.
    const auto service = [](const QByteArray& us, const QByteArray& settings) {
        return "<services><element><id>1</id><name>S</name><active>1</active><user_settings>" + us
               + "</user_settings><available_settings>" + settings + "</available_settings></element></services>";
    };
    const auto list = [](const QByteArray& id, const QByteArray& index, int count, const QByteArray& type = "list") {
        QByteArray values;
        for (int i = 0; i < count; ++i)
            values += "<element>v" + QByteArray::number(i) + "</element>";
        return "<element><id>" + id + "</id><name>N" + id + "</name><type>" + type + "</type><default_value_index>"
               + index + "</default_value_index><values>" + values + "</values></element>";
    };
    const auto range = [](const QByteArray& id, const QByteArray& value, const QByteArray& info) {
        return "<element><id>" + id + "</id><name>R</name><type>range</type><default_value>" + value
               + "</default_value>" + info + "</element>";
    };
    const QByteArray zeroToTen = "<range_info><min>0</min><max>10</max></range_info>";
    const QString s = QStringLiteral("1 S on []");

    QTest::newRow("no services") << QByteArray() << QStringList() << QStringList();
    QTest::newRow("fields, blocks, active texts")
        << QByteArray("<services><element><name>A</name><id>1</id><description>d</description><active>2</active>"
                      "<block><element>2</element><other>x</other><element>3</element></block></element>"
                      "<x><id>x</id></x><element><id>2</id><active>abc</active></element>"
                      "<element><id>3</id><active>0</active></element><element><id>4</id></element></services>")
        << QStringList{"1 A on [2,3]", "2  off []", "3  off []", "4  off []"} << QStringList();
    QTest::newRow("5:2, bad, 7: -> 5 chosen, 7 dropped despite its default")
        << service("5:2,bad,7:", list("5", "0", 3) + list("7", "1", 3))
        << QStringList{s, "  list 5 N5 2 of v0,v1,v2"} << QStringList();
    QTest::newRow("later duplicate wins; other ids keep their default")
        << service("5:0,5:1,a:b:c", list("5", "0", 2) + list("6", "1", 2))
        << QStringList{s, "  list 5 N5 1 of v0,v1", "  list 6 N6 1 of v0,v1"} << QStringList();
    QTest::newRow("index equal to the count dropped, 0 of one kept, empty type is a list")
        << service("", list("5", "2", 2) + list("6", "0", 1, "") + list("7", "-1", 3) + list("8", "x", 3))
        << QStringList{s, "  list 6 N6 0 of v0"} << QStringList();
    QTest::newRow("a list without id or name is dropped")
        << service("", "<element><name>N</name><default_value_index>0</default_value_index><values><element>v"
                       "</element></values></element><element><id>9</id><default_value_index>0</default_value_index>"
                       "<values><element>v</element></values></element>")
        << QStringList{s} << QStringList();
    QTest::newRow("range ends kept, beyond and unbounded dropped")
        << service("", range("1", "0", zeroToTen) + range("2", "10", zeroToTen) + range("3", "11", zeroToTen)
                           + range("4", "5", "") + range("5", "5", "<range_info><min>0</min></range_info>")
                           + range("6", "5", "<range_info><max>10</max></range_info>") + range("7", "x", zeroToTen)
                           + range("8", "-1", zeroToTen))
        << QStringList{s, "  range 1 R 0 in 0..10", "  range 2 R 10 in 0..10"} << QStringList();
    QTest::newRow("range from the user's choice, without id or name")
        << service("3:7", range("3", "1", zeroToTen) + "<element><type>range</type><default_value>-5</default_value>"
                                                       "<range_info><min>-9</min><max>-1</max></range_info></element>")
        << QStringList{s, "  range 3 R 7 in 0..10", "  range   -5 in -9..-1"} << QStringList();
    QTest::newRow("unknown type logged, the service stays")
        << service("", "<element><id>1</id><name>N</name><type>slider</type></element>" + list("2", "0", 1, "List"))
        << QStringList{s} << QStringList{"Got unknown setting type: slider", "Got unknown setting type: List"};
}

void tst_ServiceReplies::services()
{
    QFETCH(QByteArray, children);
    bench->reply(QStringLiteral("GET"), HttpCommand::ServicePath + "get", QString(), children);
    ServiceGetCommand command(*account, nullptr);
    const MessageCapture log;
    QVERIFY(run(command));
    QTEST(serviceLines(command.services), "lines");
    QTEST(log.messages(QtCriticalMsg), "critical");
}

void tst_ServiceReplies::serviceMoves()
{
    ServiceGetCommand command(*account, nullptr);
    QVERIFY(run(command));
    QCOMPARE(command.services.size(), size_t(2));
    Service first = std::move(command.services[0]);
    const Service& source = command.services[0];
    QVERIFY(source.id.isEmpty() && source.name.isEmpty() && source.description.isEmpty());
    QVERIFY(source.block.isEmpty());
    QVERIFY(source.settings.empty());
    QCOMPARE(first.block, QStringList{"2"});
    QCOMPARE(first.settings.size(), size_t(1));
    QVERIFY(first.settings[0]->listSetting());
    QVERIFY(!first.settings[0]->rangeSetting());
    first = std::move(command.services[1]);
    QCOMPARE(first.id, QStringLiteral("2"));
    QCOMPARE(command.services[1].id, QStringLiteral("1"));
    const Service::Setting& range = *first.settings[0];
    QCOMPARE(range.type(), Service::Setting::Range);
    QVERIFY(range.rangeSetting() && !range.listSetting());
}

void tst_ServiceReplies::sessionFields_data()
{
    QTest::addColumn<QString>("duration");
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("seconds");
    // What "traffic_mb" and "savings" holding number read as.
    QTest::addColumn<double>("value");

    QTest::newRow("1:02:03") << "1:02:03" << "12.5" << 3723 << 12.5;
    QTest::newRow("two parts") << "62:03" << "-1" << 0 << -1.0;
    QTest::newRow("hours past a day") << "100:00:00" << "1e3" << 360000 << 1000.0;
    QTest::newRow("the largest that fits") << "596523:14:07" << "inf" << INT_MAX << 0.0;
    QTest::newRow("one second more") << "596523:14:08" << "nan" << 0 << 0.0;
    QTest::newRow("999999999:0:0 overflows 32 bits") << "999999999:0:0" << "-inf" << 0 << 0.0;
    QTest::newRow("negative total") << "-1:0:0" << "1e999" << 0 << 0.0;
    QTest::newRow("negative part, positive total") << "1:-1:0" << "" << 3540 << 0.0;
    QTest::newRow("unparsable parts") << "a:2:b" << "x" << 120 << 0.0;
    QTest::newRow("four parts") << "1:2:3:4" << "0" << 0 << 0.0;
    QTest::newRow("empty") << "" << "3" << 0 << 3.0;
}

void tst_ServiceReplies::sessionFields()
{
    QFETCH(QString, duration);
    QFETCH(QString, number);
    QFETCH(double, value);
    const QByteArray element = "<element><date_of_usage>2024-01-02 03:04:05</date_of_usage><duration>"
                               + duration.toUtf8() + "</duration><traffic_mb>" + number.toUtf8()
                               + "</traffic_mb><savings>" + number.toUtf8() + "</savings><ad_hit>" + number.toUtf8()
                               + "</ad_hit></element>";
    bench->reply(QStringLiteral("GET"), HttpCommand::MobilePath, QStringLiteral("usage"),
                 "<sessions>" + element + "</sessions><all_sessions>" + element + "</all_sessions>");
    UsageCommand command(*account, UsageCommand::Days, 365, nullptr);
    QVERIFY(run(command));
    QCOMPARE(command.sessions.size(), 1);
    for (const DataSession& session : {command.sessions[0], command.allSessions.value(0)}) {
        QTEST(session.duration, "seconds");
        QCOMPARE(session.traffic, value);
        QCOMPARE(session.savings, value);
        QCOMPARE(session.start, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5), Qt::UTC));
    }
    QVERIFY(!command.activeSession.start.isValid());
}

void tst_ServiceReplies::sessionOrderAndActive()
{
    const auto element = [](const QByteArray& date, const QByteArray& traffic, const QByteArray& active) {
        return "<element><date_of_usage>" + date + "</date_of_usage><traffic_mb>" + traffic + "</traffic_mb>" + active
               + "<duration>0:0:1</duration></element>";
    };
    bench->reply(QStringLiteral("GET"), HttpCommand::MobilePath, QStringLiteral("usage"),
                 "<sessions>" + element("2024-03-03 00:00:00", "3", "") + element("2024-13-01 00:00:00", "9", "<active>1</active>")
                     + element("2024-03-02 00:00:00", "2", "<active>1</active>")
                     + element("2024-03-01 00:00:00", "1", "<active>1</active>") + "</sessions>"
                     + "<all_sessions>" + element("2024-02-02 00:00:00", "20", "<active>1</active>")
                     + element("2024-02-01 00:00:00", "10", "") + "</all_sessions>");
    UsageCommand command(*account, UsageCommand::Days, 365, nullptr);
    QVERIFY(run(command));
    QList<double> order;
    for (const DataSession& session : qAsConst(command.sessions))
        order << session.traffic;
    // The unreadable date first, the rest oldest first.
    QCOMPARE(order, QList<double>({9, 1, 2, 3}));
    QVERIFY(!command.sessions[0].start.isValid());
    QCOMPARE(command.allSessions.size(), 2);
    QCOMPARE(command.allSessions[0].traffic, 10.0);
    // The unreadable active one gave way; of the two readable ones the first counts.
    QCOMPARE(command.activeSession.traffic, 2.0);
    QCOMPARE(command.activeSession.start, QDateTime(QDate(2024, 3, 2), QTime(0, 0), Qt::UTC));
    QCOMPARE(command.activeSession.savings, 0.0);
    QCOMPARE(command.activeSession.adHits, 0);

    bench->reply(QStringLiteral("GET"), HttpCommand::MobilePath, QStringLiteral("usage"), "<other/>");
    QVERIFY(run(command));
    QVERIFY(command.sessions.isEmpty());
    QVERIFY(command.allSessions.isEmpty());
    QVERIFY(!command.activeSession.start.isValid());
    QCOMPARE(command.activeSession.traffic, 0.0);
}

QTEST_GUILESS_MAIN(tst_ServiceReplies)
#include "tst_ServiceReplies.moc"
