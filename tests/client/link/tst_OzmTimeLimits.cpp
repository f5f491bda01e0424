#include "LinkTestKit.h"

#include <ApiTestKit.h>
#include <LinkHandshake.h>
#include <LinkProtocol.h>
#include <Ozm.h>
#include <PrivateNamespaces.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The link's patience: a backend that never answers gets 30 connection attempts a
// second apart, a handshake that never ends gets its time limit; either way the
// link fails and can be dropped at once.
class tst_OzmTimeLimits : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void connectAttempts_data();
    void connectAttempts();
    void silentHandshake();

private:
    void expectFailureAfter(const MessageCapture& log, int fromMs, int toMs, const QString& why);
};

namespace {

// A listener whose queue holds one connection: the kernel drops a second SYN
// while the first connection waits to be accepted instead of completing it. The
// client's SYN is sent again a second later, by when the listener is long
// closed, so the second connection is refused every time. A listener with room
// for more would complete it and then reset it when it closes.
bool listenForOne(QTcpServer& server, quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const int on = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
        || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 0) != 0
        || !server.setSocketDescriptor(fd)) {
        ::close(fd);
        return false;
    }
    return true;
}

} // namespace

void tst_OzmTimeLimits::cleanup()
{
    Ozm::dropInstance();
}

void tst_OzmTimeLimits::connectAttempts_data()
{
    QTest::addColumn<bool>("logConnectionTaken");
    QTest::newRow("nothing listens") << false;
    QTest::newRow("only the log connection is taken") << true;
}

void tst_OzmTimeLimits::connectAttempts()
{
    QFETCH(bool, logConnectionTaken);
    const ClientFolders folders;
    const MessageCapture log;
    QTcpServer backend;
    if (logConnectionTaken) {
        QVERIFY(listenForOne(backend, LinkProtocol::ServicePort));
        // The log connection stays open: one its far end has closed has no owner to
        // show, and the client would rightly not take it for root's.
        connect(&backend, &QTcpServer::newConnection, &backend, [&backend] {
            backend.nextPendingConnection()->setParent(&backend);
            backend.close();
        });
    }
    const int lastAttemptMs = (Ozm::ConnectAttempts - 1) * Ozm::ConnectRetryMs;
    expectFailureAfter(log, lastAttemptMs, lastAttemptMs + 4000,
                       "Ozm: Error connect to backend service: Connection refused");

    QStringList retries;
    for (int attempt = 2; attempt <= Ozm::ConnectAttempts; ++attempt)
        retries << QStringLiteral("Ozm: socket not connected. Connect retry: %1").arg(attempt);
    const QStringList debug = log.messages(QtDebugMsg).filter("Connect retry");
    QCOMPARE(debug, retries);
}

void tst_OzmTimeLimits::silentHandshake()
{
    const ClientFolders folders;
    const MessageCapture log;
    QTcpServer backend;
    QVERIFY(backend.listen(QHostAddress::LocalHost, LinkProtocol::ServicePort));
    expectFailureAfter(log, LinkHandshake::TimeLimitMs, LinkHandshake::TimeLimitMs + 4000,
                       "Ozm: Error connection - backend service reject connection.");
}

void tst_OzmTimeLimits::expectFailureAfter(const MessageCapture& log, int fromMs, int toMs, const QString& why)
{
    QElapsedTimer clock;
    clock.start();
    Ozm::initInstance();
    const qint64 failedAfter = clock.elapsed();
    QVERIFY(!Ozm::inst()->serviceIsRunning());
    QVERIFY2(failedAfter >= fromMs && failedAfter < toMs, qPrintable(QString::number(failedAfter)));
    QCOMPARE(log.messages(QtCriticalMsg), QStringList{why});
    clock.restart();
    Ozm::dropInstance();
    QVERIFY(clock.elapsed() < 2000);
}

OZM_NAMESPACE_TEST_MAIN(tst_OzmTimeLimits, PrivateNamespaces::Options().withOwnProcesses())

#include "tst_OzmTimeLimits.moc"
