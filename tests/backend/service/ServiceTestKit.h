#pragma once

#include <LinkChannel.h>
#include <LinkMessage.h>

#include "PrivateNamespaces.h"

#include <LinkProtocol.h>

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// The backend listens on a fixed port and may start openvpn, so each test process
// runs in namespaces of its own (PrivateNamespaces with its own processes), so
// that neither the machine nor other tests see what it starts, nor it theirs.

// An application folder holding a copy of the backend, openvpn (the system's) and
// CA chain, and a data folder private to the user running the tests.
class InstalledBackend
{
public:
    InstalledBackend();

    QString appDir() const { return root.filePath("app"); }
    QString launcher() const { return root.filePath("app/ozm_launch"); }
    QString dataDir() const { return root.filePath("data"); }
    QString path(const QString& relative) const { return root.filePath(relative); }

private:
    QTemporaryDir root;
};

// The /proc folder of the openvpn a backend started with this data folder, or empty.
QString openVpnProcess(const QString& dataDir);
// A process that has ended, even one nobody has reaped yet, runs no program.
bool isOpenVpn(const QString& process);
// Leaves no openvpn behind, whatever a failed test did.
void killOpenVpn(const QString& dataDir);

// One run of the backend in service mode, started directly or through a wrapper
// command that ends by running the program given as its last argument. Its log
// reaches standard error while no client has a log connection.
class BackendProcess
{
public:
    explicit BackendProcess(const InstalledBackend& installed, const QStringList& launchedThrough = {});
    ~BackendProcess();

    bool waitUntilListening();
    bool waitForExit(int ms);
    bool isRunning() const;
    int exitCode() const;
    void signal(int number);
    // The /proc folder of the backend, and of the first process it started, or empty.
    QString procFolder() const;
    QString childProcess() const;
    QString standardError();

private:
    QProcess process;
    QByteArray errors;
};

// The client's side of the link: the client's own handshake and channel, with
// both connections at hand so that a test can also write any bytes it likes.
class LinkPeer
{
public:
    bool connectLog();
    bool connectControl();
    bool connectBoth() { return connectLog() && connectControl(); }

    void send(const QStringList& lines);
    // One line of the control connection without its line feed.
    bool readLine(QString& line, int ms = 5000);
    // The verdict line, or empty when there was none.
    QString handshake(const QString& appDir, const QString& dataDir);

    // Reply values for the request, collecting the names of events that came first.
    QStringList request(const QString& name, const QStringList& arguments, QStringList* events = nullptr);
    // The next message, or a message with an empty name after `ms` without one.
    LinkMessage nextMessage(int ms = 5000);
    // Everything the control connection carries until the backend closes it.
    QByteArray readControlUntilClosed(int ms = 5000);
    bool waitForLogLine(const QString& line, int ms = 5000);
    static bool waitUntilClosed(QTcpSocket& socket, int ms = 5000);

    QTcpSocket log;
    QTcpSocket control;

private:
    // Reads the control connection until done() or the time is up.
    bool readUntil(const std::function<bool()>& done, int ms);

    // Events, and replies to requests written by hand, in order.
    QList<LinkMessage> messages;
    LinkChannel channel{&control, QStringLiteral("LinkPeer"),
                        {LinkProtocol::isEventName,
                         [this](const QString& name, const QStringList& values) { messages.append({name, {}, values}); },
                         [this](const QString& id, const QStringList& values) { messages.append({id, {}, values}); }}};
    QStringList logLines;
};
