#include "LocalSocketOwner.h"

#include "LoopbackConnection.h"

#include <QProcess>
#include <QtTest>

#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Perl stands in for another user's program: it prints its port once its socket
// is up and keeps the socket until its input closes.
const char ListenScript[] = "use IO::Socket::INET; $| = 1;"
                            "my $s = IO::Socket::INET->new(LocalAddr => '127.0.0.1', LocalPort => 0, Listen => 5) or die;"
                            "print $s->sockport, qq(\\n); <STDIN>;";
const char ConnectScript[] = "use IO::Socket::INET; $| = 1;"
                             "my $c = IO::Socket::INET->new(PeerAddr => '127.0.0.1', PeerPort => $ARGV[0]) or die;"
                             "print $c->sockport, qq(\\n); <STDIN>;";

class AsNobody
{
public:
    AsNobody(const char* script, const QStringList& arguments = {})
    {
        const passwd* nobody = ::getpwnam("nobody");
        uid = nobody ? nobody->pw_uid : 65534;
        const QString id = QString::number(uid);
        const QString group = QString::number(nobody ? nobody->pw_gid : 65534);
        process.start("/usr/bin/setpriv", QStringList{"--reuid=" + id, "--regid=" + group, "--clear-groups",
                                                      "/usr/bin/perl", "-e", script}
                                              + arguments);
    }
    ~AsNobody()
    {
        process.closeWriteChannel();
        if (!process.waitForFinished(5000))
            process.kill();
    }
    // The port of the program's socket, 0 when it did not come up.
    quint16 port()
    {
        QSignalSpy output(&process, &QProcess::readyReadStandardOutput);
        if (!process.canReadLine())
            output.wait(5000);
        return quint16(process.readLine().trimmed().toUInt());
    }

    uid_t uid;
    QProcess process;
};

} // namespace

class tst_LocalSocketOwner : public QObject
{
    Q_OBJECT
private slots:
    void ownConnection_data();
    void ownConnection();
    void otherUser();
    void nobodyThere();
};

void tst_LocalSocketOwner::ownConnection_data()
{
    QTest::addColumn<int>("listenOn");
    QTest::newRow("IPv4 listener") << int(QHostAddress::LocalHost);
    // An IPv4 peer of a dual-stack socket is seen in its IPv6-mapped form.
    QTest::newRow("dual-stack listener") << int(QHostAddress::Any);
}

void tst_LocalSocketOwner::ownConnection()
{
    QFETCH(int, listenOn);
    LoopbackConnection connection{QHostAddress::SpecialAddress(listenOn)};
    QTcpSocket* backend = connection.accepted();
    QVERIFY(backend);

    QCOMPARE(LocalSocketOwner::peerUid(*backend), std::optional<uid_t>(::geteuid()));
    QCOMPARE(LocalSocketOwner::peerUid(connection.client), std::optional<uid_t>(::geteuid()));
    QCOMPARE(LocalSocketOwner::listenerUid(connection.server.serverPort()), std::optional<uid_t>(::geteuid()));
}

void tst_LocalSocketOwner::otherUser()
{
    if (::geteuid() != 0)
        QSKIP("running a program as another user needs root");

    AsNobody listener(ListenScript);
    const quint16 port = listener.port();
    QVERIFY(port != 0);
    QCOMPARE(LocalSocketOwner::listenerUid(port), std::optional<uid_t>(listener.uid));

    // Not yet accepted by the listener, the connection already has its owner.
    QTcpSocket toNobody;
    QSignalSpy connected(&toNobody, &QTcpSocket::connected);
    toNobody.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(connected.wait(5000));
    QCOMPARE(LocalSocketOwner::peerUid(toNobody), std::optional<uid_t>(listener.uid));

    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QSignalSpy accepted(&server, &QTcpServer::newConnection);
    AsNobody client(ConnectScript, {QString::number(server.serverPort())});
    QVERIFY(client.port() != 0);
    QVERIFY(server.hasPendingConnections() || accepted.wait(5000));
    QTcpSocket* fromNobody = server.nextPendingConnection();
    QCOMPARE(LocalSocketOwner::peerUid(*fromNobody), std::optional<uid_t>(client.uid));
}

void tst_LocalSocketOwner::nobodyThere()
{
    LoopbackConnection connection;
    QTcpSocket* backend = connection.accepted();
    QVERIFY(backend);
    QTcpSocket& client = connection.client;
    const quint16 port = connection.server.serverPort();
    connection.server.close();
    QCOMPARE(LocalSocketOwner::listenerUid(port), std::nullopt);

    // A reset, unlike a close, leaves no row behind that still names the owner.
    const linger reset{1, 0};
    QCOMPARE(::setsockopt(int(client.socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset), 0);
    client.abort();
    QCOMPARE(LocalSocketOwner::peerUid(*backend), std::nullopt);
    QCOMPARE(LocalSocketOwner::peerUid(client), std::nullopt);
}

QTEST_GUILESS_MAIN(tst_LocalSocketOwner)
#include "tst_LocalSocketOwner.moc"
