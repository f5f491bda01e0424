#include "FakeManagementPeer.h"
#include "LogCapture.h"
#include "VpnMgmt.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray NeedAuth = ">PASSWORD:Need 'Auth' username/password";
const QByteArray AuthAccepted = "SUCCESS: 'Auth' password entered, but not yet verified";
// A statistics block whose report marks the end of what a test sent before it.
const QByteArrayList Sentinel{"OpenVPN STATISTICS", "TCP/UDP read bytes,424242", "END"};
const QString SentinelTrace = QStringLiteral("stats:424242/0");

// A management client wired to a scripted peer; every signal lands in `trace`.
struct Session
{
    FakeManagementPeer peer;
    VpnMgmt mgmt;
    QStringList trace;

    Session()
    {
        peer.listen();
        QObject::connect(&mgmt, &VpnMgmt::vpnState, [this](VpnState s) { trace << QStringLiteral("state:%1").arg(int(s)); });
        QObject::connect(&mgmt, &VpnMgmt::tunnelUp, [this](const QString& gw) { trace << "tunnelUp:" + gw; });
        QObject::connect(&mgmt, &VpnMgmt::tunnelDown, [this] { trace << QStringLiteral("tunnelDown"); });
        QObject::connect(&mgmt, &VpnMgmt::vpnStatisticsReceived, [this](VpnStatistic s) {
            trace << QStringLiteral("stats:%1/%2").arg(s.readBytes).arg(s.writeBytes);
        });
        QObject::connect(&mgmt, &VpnMgmt::connectionToVpnProcessFailed, [this] { trace << QStringLiteral("processFailed"); });
        QObject::connect(&mgmt, &VpnMgmt::vpnUnexpectedShutDown, [this] { trace << QStringLiteral("unexpectedShutDown"); });
    }

    bool open(const QString& user = QStringLiteral("u"), const QString& password = QStringLiteral("p"))
    {
        if (!user.isNull())
            mgmt.setAuth(user, password);
        mgmt.start(QStringLiteral("127.0.0.1"), peer.port());
        return peer.waitForConnection();
    }

    // Sends the lines and returns the signals they caused, once the peer knows all were read.
    QStringList signalsFor(const QByteArrayList& lines)
    {
        trace.clear();
        peer.sendLines(lines + Sentinel);
        QElapsedTimer clock;
        clock.start();
        while (!trace.contains(SentinelTrace) && clock.elapsed() < 5000)
            QTest::qWait(10);
        QStringList seen = trace;
        seen.removeAll(SentinelTrace);
        return seen;
    }

    QByteArrayList credentialLines() const
    {
        QByteArrayList lines;
        for (const QByteArray& line : peer.received()) {
            if (line.startsWith("username") || line.startsWith("password"))
                lines << line;
        }
        return lines;
    }
};

} // namespace

class tst_VpnMgmt : public QObject
{
    Q_OBJECT
private slots:
    void notifications_data();
    void notifications();
    void commandsOnTheWire();
    void infoTurnsStateNotificationsOnOnce();
    void pendingPasswordRequest();
    void credentialsResentOnceWhenNotAccepted_data();
    void credentialsResentOnceWhenNotAccepted();
    void connectionRetries_data();
    void connectionRetries();
    void credentialQuoting_data();
    void credentialQuoting();
    void credentialsThatBreakTheLineAreRefused_data();
    void credentialsThatBreakTheLineAreRefused();
    void listenerNotOwnedByRootGetsNothing();
};

void tst_VpnMgmt::notifications_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    QTest::newRow("connected") << QByteArrayList{">STATE:1700000000,CONNECTED,SUCCESS,10.8.0.2,203.0.113.7"}
                               << QStringList{"state:1"};
    QTest::newRow("connected with error") << QByteArrayList{">STATE:1700000000,CONNECTED,ERROR,10.8.0.2,203.0.113.7"}
                                          << QStringList{"state:7"};
    QByteArrayList connecting;
    for (const char* s : {"TCP_CONNECT", "WAIT", "AUTH", "GET_CONFIG", "ASSIGN_IP", "RECONNECTING", "ADD_ROUTES", "CONNECTING"})
        connecting << QByteArray(">STATE:1,") + s + ",,,";
    QTest::newRow("connecting states") << connecting << QStringList(QVector<QString>(connecting.size(), "state:0").toList());
    QTest::newRow("exit on SIGTERM") << QByteArrayList{">STATE:1,EXITING,SIGTERM,,"} << QStringList{"state:2"};
    QTest::newRow("exit with notification") << QByteArrayList{">STATE:1,EXITING,exit-with-notification,,"}
                                            << QStringList{"state:2"};
    QTest::newRow("connection reset") << QByteArrayList{">STATE:1,EXITING,connection-reset,,"} << QStringList{"state:3"};
    QTest::newRow("init_instance") << QByteArrayList{">STATE:1,EXITING,init_instance,"} << QStringList{"state:6"};
    QTest::newRow("server given up after retries") << QByteArrayList{">STATE:1,EXITING,connection-failed,,"}
                                                   << QStringList{"state:6"};
    QTest::newRow("init_instance, three fields") << QByteArrayList{">STATE:1,EXITING,init_instance"} << none;
    QTest::newRow("other exit") << QByteArrayList{">STATE:1,EXITING,auth-failure,,"} << QStringList{"unexpectedShutDown"};
    QTest::newRow("unknown state") << QByteArrayList{">STATE:1,RESOLVE,,,"} << none;
    QTest::newRow("state names are case-sensitive") << QByteArrayList{">STATE:1,connected,SUCCESS,,"} << none;
    QTest::newRow("fatal") << QByteArrayList{">FATAL:cannot allocate TUN/TAP dev dynamically"} << QStringList{"state:6"};
    QTest::newRow("verification failed") << QByteArrayList{">PASSWORD:Verification Failed: 'Auth'"}
                                         << QStringList{"state:3"};
    QTest::newRow("gateway before UP") << QByteArrayList{">UPDOWN:ENV,route_vpn_gateway=10.8.0.1"} << none;
    QTest::newRow("gateway after UP")
        << QByteArrayList{">UPDOWN:UP", ">UPDOWN:ENV,route_net_gateway=192.168.1.1",
                          ">UPDOWN:ENV,route_vpn_gateway=10.8.0.1", ">UPDOWN:ENV,END"}
        << QStringList{"tunnelUp:10.8.0.1"};
    QTest::newRow("gateway after DOWN")
        << QByteArrayList{">UPDOWN:UP", ">UPDOWN:DOWN", ">UPDOWN:ENV,route_vpn_gateway=10.8.0.1"}
        << QStringList{"tunnelDown"};
    QTest::newRow("gateway that is no IPv4 address")
        << QByteArrayList{">UPDOWN:UP", ">UPDOWN:ENV,route_vpn_gateway=999.8.0.1", ">UPDOWN:ENV,route_vpn_gateway=10.8.0",
                          ">UPDOWN:ENV,route_vpn_gateway=fe80::1", ">UPDOWN:ENV,route_vpn_gateway=10.8.0.1 -o",
                          ">UPDOWN:ENV,route_vpn_gateway=-10.8.0.1", ">UPDOWN:ENV,route_vpn_gateway="}
        << none;
    QTest::newRow("answer to state on") << QByteArrayList{"1700000000,CONNECTED,SUCCESS,10.8.0.2,203.0.113.7"}
                                        << QStringList{"state:1"};
    QTest::newRow("answer without time stamp") << QByteArrayList{",CONNECTING,,,"} << QStringList{"state:0"};
    QTest::newRow("answer that is no state") << QByteArrayList{"SUCCESS: 'Auth' username entered, but not yet verified"}
                                             << none;
    QTest::newRow("notification without colon") << QByteArrayList{">STATE"} << none;
    QTest::newRow("unknown notification") << QByteArrayList{">HOLD:Waiting for hold release:0"} << none;
    QTest::newRow("carriage return and blanks") << QByteArrayList{"  >STATE:1,CONNECTED,SUCCESS,, \r"}
                                                << QStringList{"state:1"};
    QTest::newRow("NUL ends the line") << QByteArrayList{QByteArray(">STATE:1,EXITING,SIGTERM\0,,x", 29)} << none;
    QTest::newRow("statistics")
        << QByteArrayList{"OpenVPN STATISTICS", "Updated,2024-01-01 00:00:00", "TUN/TAP read bytes,9",
                          "TCP/UDP read bytes,1234", "TCP/UDP write bytes,18446744073709551615", "END"}
        << QStringList{"stats:1234/18446744073709551615"};
    QTest::newRow("statistics without counters") << QByteArrayList{"OpenVPN STATISTICS", "Updated,x", "END"}
                                                 << QStringList{"stats:0/0"};
    QTest::newRow("statistics restarted")
        << QByteArrayList{"OpenVPN STATISTICS", "TCP/UDP read bytes,1", "OpenVPN STATISTICS", "TCP/UDP write bytes,2", "END"}
        << QStringList{"stats:0/2"};
    QTest::newRow("counter that is no number")
        << QByteArrayList{"OpenVPN STATISTICS", "TCP/UDP read bytes,12ab", "TCP/UDP write bytes", "END"}
        << QStringList{"stats:0/0"};
    QTest::newRow("counter outside a block") << QByteArrayList{"TCP/UDP read bytes,5", "END"} << none;
}

void tst_VpnMgmt::notifications()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QStringList, expected);
    Session session;
    QVERIFY(session.open());
    QCOMPARE(session.signalsFor(lines), expected);
}

void tst_VpnMgmt::commandsOnTheWire()
{
    Session session;
    QVERIFY(session.open());
    session.mgmt.getVpnStatistics();
    QVERIFY(session.peer.waitForLine("status"));
    session.mgmt.vpnStop();
    QVERIFY(session.peer.waitForLine("signal SIGTERM"));
    QCOMPARE(session.peer.received(), (QByteArrayList{"status", "signal SIGTERM"}));
}

void tst_VpnMgmt::infoTurnsStateNotificationsOnOnce()
{
    Session session;
    QVERIFY(session.open());
    QElapsedTimer clock;
    clock.start();
    // The password request right behind the greeting must wait for the second of silence.
    session.peer.sendLines({">INFO:OpenVPN Management Interface Version 5 -- type 'help' for more info", NeedAuth});
    QVERIFY(session.peer.waitForLine("password Auth p"));
    QVERIFY2(clock.elapsed() >= 940, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(session.peer.received(), (QByteArrayList{"state on 1", "username Auth u", "password Auth p"}));

    session.signalsFor({AuthAccepted, ">INFO:again"});
    QCOMPARE(session.peer.received().count("state on 1"), 1);
}

void tst_VpnMgmt::pendingPasswordRequest()
{
    LogCapture log;
    Session session;
    QVERIFY(session.open(QString()));
    session.signalsFor({NeedAuth});
    QCOMPARE(log.count("VpnMgmt: Cannot set username/password: dont have yet"), 1);
    QVERIFY(session.credentialLines().isEmpty());

    session.mgmt.setAuth(QStringLiteral("u"), QStringLiteral("p"));
    QVERIFY(session.peer.waitForLine("password Auth p"));

    // The end of the tunnel forgets the credentials; a new request waits for new ones.
    session.signalsFor({AuthAccepted, ">UPDOWN:DOWN", NeedAuth});
    QCOMPARE(log.count("VpnMgmt: Cannot set username/password: dont have yet"), 2);
    QCOMPARE(session.credentialLines().size(), 2);
    session.mgmt.setAuth(QStringLiteral("u2"), QStringLiteral("p2"));
    QVERIFY(session.peer.waitForLine("password Auth p2"));
}

void tst_VpnMgmt::credentialsResentOnceWhenNotAccepted_data()
{
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("restarted");
    QTest::addColumn<int>("expectedCopies");
    QTest::newRow("accepted") << true << false << 1;
    QTest::newRow("not accepted") << false << false << 2;
    // A new connection must not get credentials it never asked for.
    QTest::newRow("stopped and started again") << false << true << 1;
}

void tst_VpnMgmt::credentialsResentOnceWhenNotAccepted()
{
    QFETCH(bool, accepted);
    QFETCH(bool, restarted);
    QFETCH(int, expectedCopies);
    Session session;
    QVERIFY(session.open());
    QElapsedTimer clock;
    clock.start();
    session.peer.sendLine(NeedAuth);
    QVERIFY(session.peer.waitForLine("password Auth p"));
    if (accepted)
        session.peer.sendLine(AuthAccepted);
    if (restarted) {
        session.mgmt.stop();
        session.mgmt.start(QStringLiteral("127.0.0.1"), session.peer.port());
        QVERIFY(session.peer.waitForConnection());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(session.credentialLines().count("password Auth p"), expectedCopies, 3000);
        // Timers may fire up to 5 % early.
        QVERIFY(clock.elapsed() >= (accepted ? 0 : 1900));
    }
    QTest::qWait(2200);
    QCOMPARE(session.credentialLines().count("password Auth p"), expectedCopies);
}

void tst_VpnMgmt::connectionRetries_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<bool>("stopWhileRetrying");
    QTest::addColumn<int>("expectedAttempts");
    QTest::addColumn<bool>("expectFailure");
    QTest::newRow("nobody listens") << false << false << 6 << true;
    QTest::newRow("stopped while retrying") << false << true << 1 << false;
    QTest::newRow("peer closes after the connection") << true << false << 1 << false;
}

void tst_VpnMgmt::connectionRetries()
{
    QFETCH(bool, listening);
    QFETCH(bool, stopWhileRetrying);
    QFETCH(int, expectedAttempts);
    QFETCH(bool, expectFailure);

    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        port = probe.serverPort();
    }
    LogCapture log;
    FakeManagementPeer peer;
    VpnMgmt mgmt;
    QSignalSpy failed(&mgmt, &VpnMgmt::connectionToVpnProcessFailed);
    QElapsedTimer clock;
    clock.start();
    if (listening)
        QVERIFY(peer.listen(port));
    mgmt.start(QStringLiteral("127.0.0.1"), port);
    if (stopWhileRetrying) {
        QTRY_VERIFY(log.contains("VpnMgmt: VPN re-connection: reconnection after sockect fail"));
        mgmt.stop();
        QTest::qWait(2200);
    } else if (expectFailure) {
        QVERIFY(failed.wait(8000));
        QVERIFY2(clock.elapsed() >= 4700, qPrintable(QString::number(clock.elapsed())));
    } else {
        // The peer going away is left to the process monitor: no retry, no report.
        QVERIFY(peer.waitForConnection(3000));
        peer.closeConnection();
        QTest::qWait(1300);
    }
    QCOMPARE(log.count("VpnMgmt: socket: connecting"), expectedAttempts);
    QCOMPARE(failed.count(), expectFailure ? 1 : 0);
}

void tst_VpnMgmt::credentialQuoting_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArrayList>("expected");
    QTest::newRow("plain") << "user@example.com" << "s3cret!$'"
                           << QByteArrayList{"username Auth user@example.com", "password Auth s3cret!$'"};
    QTest::newRow("blank") << "u" << "two words" << QByteArrayList{"username Auth u", "password Auth \"two words\""};
    QTest::newRow("tab") << "u" << "a\tb" << QByteArrayList{"username Auth u", "password Auth \"a\tb\""};
    QTest::newRow("double quote") << "u" << "a\"b" << QByteArrayList{"username Auth u", "password Auth \"a\\\"b\""};
    QTest::newRow("backslash") << "u" << "a\\b" << QByteArrayList{"username Auth u", "password Auth \"a\\\\b\""};
    QTest::newRow("all at once in the user") << "a \"b\\" << "p"
                                             << QByteArrayList{"username Auth \"a \\\"b\\\\\"", "password Auth p"};
    QTest::newRow("empty password") << "u" << "" << QByteArrayList{"username Auth u", "password Auth \"\""};
    QTest::newRow("place markers stay as they are") << "%2" << "%1"
                                                    << QByteArrayList{"username Auth %2", "password Auth %1"};
    QTest::newRow("Latin-1") << "u" << QString::fromUtf8("p\xc3\xa4ss") << QByteArrayList{"username Auth u", "password Auth p\xe4ss"};
}

void tst_VpnMgmt::credentialQuoting()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QByteArrayList, expected);
    Session session;
    QVERIFY(session.open(user, password));
    session.peer.sendLine(NeedAuth);
    QVERIFY(session.peer.waitForLine(expected.last()));
    QCOMPARE(session.credentialLines(), expected);
}

void tst_VpnMgmt::credentialsThatBreakTheLineAreRefused_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("line feed in the user") << "u\nsignal SIGHUP" << "topsecret";
    QTest::newRow("carriage return in the password") << "u" << "top\rsecret";
    QTest::newRow("NUL in the password") << "u" << QString::fromLatin1("top\0secret", 10);
}

void tst_VpnMgmt::credentialsThatBreakTheLineAreRefused()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    LogCapture log;
    Session session;
    QVERIFY(session.open(user, password));
    session.peer.sendLine(NeedAuth);
    QVERIFY(session.peer.waitForLine("signal SIGTERM"));
    QTRY_COMPARE(session.trace, QStringList{"state:5"});
    QVERIFY(session.credentialLines().isEmpty());
    for (const QString& message : log.messages())
        QVERIFY2(!message.contains(QLatin1String("secret")), qPrintable(message));
}

void tst_VpnMgmt::listenerNotOwnedByRootGetsNothing()
{
    if (geteuid() != 0)
        QSKIP("needs root to run a listener as another user");
    int report[2];
    QVERIFY(::pipe(report) == 0);
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        // A stand-in that grabbed the management port first, run as nobody.
        ::alarm(10);
        ::close(report[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || ::listen(listener, 1) != 0
            || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            ::_exit(3);
        const quint16 port = ntohs(address.sin_port);
        if (::write(report[1], &port, sizeof port) != sizeof port)
            ::_exit(4);
        const int connection = ::accept(listener, nullptr, nullptr);
        const char greeting[] = ">INFO:x\n>PASSWORD:Need 'Auth' username/password\n";
        if (::write(connection, greeting, sizeof greeting - 1) < 0)
            ::_exit(5);
        char buffer[512];
        ssize_t got;
        while ((got = ::read(connection, buffer, sizeof buffer)) > 0) {
            if (::write(report[1], buffer, size_t(got)) != got)
                ::_exit(6);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    quint16 port = 0;
    QCOMPARE(::read(report[0], &port, sizeof port), ssize_t(sizeof port));

    LogCapture log;
    VpnMgmt mgmt;
    QSignalSpy failed(&mgmt, &VpnMgmt::connectionToVpnProcessFailed);
    mgmt.setAuth(QStringLiteral("u"), QStringLiteral("p"));
    mgmt.start(QStringLiteral("127.0.0.1"), port);
    QVERIFY(failed.wait(5000));

    QByteArray heard;
    char buffer[512];
    ssize_t got;
    while ((got = ::read(report[0], buffer, sizeof buffer)) > 0)
        heard.append(buffer, int(got));
    ::close(report[0]);
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    QVERIFY2(!heard.contains("username") && !heard.contains("password"), heard.constData());
    QVERIFY(log.contains("VpnMgmt: management port is not served by root"));
}

QTEST_GUILESS_MAIN(tst_VpnMgmt)
#include "tst_VpnMgmt.moc"
