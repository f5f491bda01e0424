#include "ApiTestKit.h"

#include <DnsResponder.h>
#include <NetTools.h>
#include <PrivateNamespaces.h>
#include <StandInService.h>

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using PrivateNamespaces::ipBatch;

namespace {

const QHostAddress ServiceAddress(QStringLiteral("192.0.2.7"));

// Links a test may make, gone when it ends, however it ends.
class Links
{
public:
    explicit Links(const QStringList& names)
        : names(names)
    {
    }
    ~Links()
    {
        for (const QString& name : names) {
            if (QFile::exists(QStringLiteral("/sys/class/net/") + name))
                PrivateNamespaces::ip(QStringLiteral("link del ") + name);
        }
    }

private:
    const QStringList names;
};

// PATH begins with a folder whose "ping" and "traceroute" print their arguments
// and note that they ran.
class FakeTools
{
public:
    FakeTools()
        : path(qgetenv("PATH"))
    {
        for (const char* tool : {"ping", "traceroute"})
            writeScript(folder.filePath(QLatin1String(tool)),
                        "echo \"$*\"; echo \"$0\" >> " + QFile::encodeName(folder.filePath(QStringLiteral("ran"))));
        qputenv("PATH", QFile::encodeName(folder.path()) + ':' + path);
    }
    ~FakeTools() { qputenv("PATH", path); }

    bool ran() const { return QFile::exists(folder.filePath(QStringLiteral("ran"))); }

private:
    const QByteArray path;
    QTemporaryDir folder;
};

QStringList texts(const QList<QHostAddress>& addresses)
{
    QStringList result;
    for (const QHostAddress& address : addresses)
        result << address.toString();
    return result;
}

} // namespace

class tst_NetTools : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void resolve_data();
    void resolve();
    void ping_data();
    void ping();
    void toolsTakeOnlyHosts_data();
    void toolsTakeOnlyHosts();
    void tracerouteOutputIsUnparsed();
    void macAddresses_data();
    void macAddresses();
    void confirmationPage_data();
    void confirmationPage();
    void urlTest_data();
    void urlTest();

private:
    std::unique_ptr<DnsResponder> nameServer;
    std::unique_ptr<StandInService> service;
};

void tst_NetTools::initTestCase()
{
    nameServer = std::make_unique<DnsResponder>(
        QStringLiteral("127.0.0.1"),
        DnsResponder::Records{{QStringLiteral("service.test"), ServiceAddress},
                              {QStringLiteral("v6only.test"), QHostAddress(QStringLiteral("2001:db8::7"))}});
    QVERIFY(nameServer->isRunning());
    service = std::make_unique<StandInService>();
    QVERIFY(service->isRunning());
}

void tst_NetTools::cleanup()
{
    QCOMPARE(service->violations(), QStringList());
    service->reset();
}

void tst_NetTools::resolve_data()
{
    QTest::addColumn<QString>("host");
    // Null: the system resolver.
    QTest::addColumn<QString>("server");
    QTest::addColumn<QStringList>("addresses");

    const QString local = QStringLiteral("127.0.0.1");
    const QStringList service{ServiceAddress.toString()};
    QTest::newRow("hosts file, system resolver") << "hostsonly.test" << QString() << QStringList{"192.0.2.50"};
    QTest::newRow("hosts file, name server") << "hostsonly.test" << local << QStringList();
    QTest::newRow("name server's name, system resolver") << "service.test" << QString() << service;
    QTest::newRow("name server's name, name server") << "service.test" << local << service;
    QTest::newRow("unknown name, system resolver") << "nothere.test" << QString() << QStringList();
    QTest::newRow("unknown name, name server") << "nothere.test" << local << QStringList();
    QTest::newRow("AAAA records only, name server") << "v6only.test" << local << QStringList();
    // Read as no server at all, the lookup would ask the system's resolver.
    QTest::newRow("server not an address") << "service.test" << "not-an-address" << QStringList();
    QTest::newRow("no server") << "service.test" << "" << QStringList();
}

void tst_NetTools::resolve()
{
    QFETCH(QString, host);
    QFETCH(QString, server);
    QFETCH(QStringList, addresses);
    const bool system = server.isNull();
    MessageCapture log;
    QCOMPARE(texts(system ? NetTools::dns_resolve(host) : NetTools::dns_resolve(host, server)), addresses);
    QCOMPARE(system ? NetTools::nslookup(host) : NetTools::nslookup(host, server), !addresses.isEmpty());
    if (system || !addresses.isEmpty())
        return;
    const QString failed = QStringLiteral("NetTools::dns_resolve: failed lookup %1 from %2").arg(host, server);
    QCOMPARE(log.messages().count(failed), 2);
}

void tst_NetTools::ping_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<uint>("count");
    QTest::addColumn<bool>("answered");
    QTest::addColumn<QString>("output");

    QTest::newRow("loopback") << "127.0.0.1" << 2u << true << "2 packets transmitted, 2 received";
    QTest::newRow("no route") << "203.0.113.1" << 1u << false << "";
    QTest::newRow("on the link, nobody there") << "198.51.100.2" << 1u << false << "100% packet loss";
}

void tst_NetTools::ping()
{
    QFETCH(QString, host);
    QFETCH(uint, count);
    QFETCH(bool, answered);
    QFETCH(QString, output);
    const Links links({QStringLiteral("v0")});
    QVERIFY(ipBatch({"link add v0 type veth peer name v1", "addr add 198.51.100.1/24 dev v0", "link set v1 up",
                     "link set v0 up"}));
    QString out = QStringLiteral("left over");
    QCOMPARE(NetTools::ping(host, out, count), answered);
    QVERIFY2(out.contains(output), qPrintable(out));
    QCOMPARE(out.contains(QStringLiteral("bytes from")), answered);
}

void tst_NetTools::toolsTakeOnlyHosts_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("taken");

    QTest::newRow("name") << "service.test" << true;
    QTest::newRow("IPv4 address") << "192.0.2.7" << true;
    QTest::newRow("IPv6 address") << "2001:db8::7" << true;
    QTest::newRow("an option") << "-f" << false;
    QTest::newRow("an option with its value") << "-c9" << false;
    QTest::newRow("a shell's separator") << "a;b" << false;
    QTest::newRow("a blank") << "a b" << false;
    QTest::newRow("a substitution") << "$(id)" << false;
    QTest::newRow("nothing") << "" << false;
}

void tst_NetTools::toolsTakeOnlyHosts()
{
    QFETCH(QString, host);
    QFETCH(bool, taken);
    const FakeTools tools;
    QString out;
    QCOMPARE(NetTools::ping(host, out, 3), taken);
    QCOMPARE(out, taken ? "-c 3 " + host + '\n' : QString());
    QCOMPARE(NetTools::traceroute(host), taken ? "-n -m 7 -w 1 " + host + '\n' : QString());
    QCOMPARE(tools.ran(), taken);
}

void tst_NetTools::tracerouteOutputIsUnparsed()
{
    const QString trace = NetTools::traceroute(QStringLiteral("127.0.0.1"));
    QVERIFY2(trace.startsWith(QStringLiteral("traceroute to 127.0.0.1 (127.0.0.1), 7 hops max")), qPrintable(trace));
    QVERIFY2(trace.contains(QStringLiteral("\n 1  127.0.0.1  ")), qPrintable(trace));
}

void tst_NetTools::macAddresses_data()
{
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<QStringList>("made");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("addresses");

    // Up counts as carrier: b0 is set up but its peer is down.
    const QStringList others{"link add b0 address 02:00:00:00:00:b0 type veth peer name b1 address 02:00:00:00:00:b1",
                             "link set b0 up", "tuntap add dev t0 mode tun", "link set t0 up"};
    const QStringList pair{"link add a0 address 02:00:00:00:00:a0 type veth peer name a1 address 02:00:00:00:00:a1",
                           "link set a0 up", "link set a1 up"};
    const QStringList all = pair + others;
    const QStringList made{"a0", "b0", "t0"};
    QTest::newRow("loopback, a tunnel and links down alone") << others << made << "," << "";
    // The kernel makes a veth's peer first.
    QTest::newRow("each up one followed by the separator")
        << all << made << "," << "02:00:00:00:00:A1,02:00:00:00:00:A0,";
    QTest::newRow("no separator") << all << made << "" << "02:00:00:00:00:A102:00:00:00:00:A0";
}

void tst_NetTools::macAddresses()
{
    QFETCH(QStringList, links);
    QFETCH(QStringList, made);
    QFETCH(QString, separator);
    QFETCH(QString, addresses);
    const Links guard(made);
    QVERIFY(ipBatch(links));
    QCOMPARE(NetTools::getMacAddresses(separator), addresses);
}

void tst_NetTools::confirmationPage_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("confirmed");

    QTest::newRow("the word among other text") << 200 << QByteArray("<p>Your connection is confirmed.</p>") << true;
    QTest::newRow("a page without it") << 200 << QByteArray("<p>Your connection is fine.</p>") << false;
    QTest::newRow("the word in capitals") << 200 << QByteArray("CONFIRMED") << false;
    QTest::newRow("an error page holding it") << 404 << QByteArray("confirmed") << false;
}

void tst_NetTools::confirmationPage()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, confirmed);
    service->reply(StandInReply(QStringLiteral("GET"), QStringLiteral("/ozmir/confirm")).status(status).body(body));
    QCOMPARE(NetTools::confirmation_test(service->url() + QStringLiteral("/ozmir/confirm"), 5000), confirmed);
    QCOMPARE(service->requests().size(), 1);
}

void tst_NetTools::urlTest_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("answers");

    QTest::newRow("200") << "/page" << true;
    QTest::newRow("redirected to 200") << "/moved" << true;
    QTest::newRow("204") << "/empty" << false;
    QTest::newRow("404") << "/missing" << false;
}

void tst_NetTools::urlTest()
{
    QFETCH(QString, path);
    QFETCH(bool, answers);
    service->reply(StandInReply(QString(), QStringLiteral("/page")).body("page"));
    service->reply(StandInReply(QString(), QStringLiteral("/moved")).redirect("/page"));
    service->reply(StandInReply(QString(), QStringLiteral("/empty")).status(204));
    QCOMPARE(NetTools::http_url_test(service->url() + path, 5000), answers);
}

// Loopback alone, and whatever links a test makes: no packet leaves. Names are
// looked up in private files, the name server being the test's own.
OZM_NAMESPACE_TEST_MAIN(tst_NetTools,
                        PrivateNamespaces::Options()
                            .withFile("/etc/hosts", "127.0.0.1 localhost\n192.0.2.50 hostsonly.test\n")
                            .withFile("/etc/resolv.conf", "nameserver 127.0.0.1\n")
                            .withFile("/etc/nsswitch.conf", "hosts: files dns\n"))
#include "tst_NetTools.moc"
