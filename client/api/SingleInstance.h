#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;
class QLocalSocket;

// One running client per user. The first process to take the lock is the
// instance; it listens on a local socket beside the lock, and later starts hand
// it their message there. Lock and socket live in the user's runtime folder (or
// the data folder when there is none), never under a name others could take
// first in a shared temporary folder, and never under TMPDIR, which start-up
// may change between two starts.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    static constexpr quint32 MaxMessageBytes = 64 * 1024;

    SingleInstance(const QString& id, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True while another process is the instance. Otherwise this process becomes
    // it (a lock left by a killed instance is taken over) and starts listening.
    bool isRunning();
    // True when the instance acknowledged the message within timeoutMs.
    bool sendMessage(const QString& message, int timeoutMs);

    static QString folder();

signals:
    void messageReceived(const QString& message);

private slots:
    void onNewConnection();

private:
    void readMessage(QLocalSocket* socket);

    const QString socketPath;
    QLockFile lock;
    QLocalServer* server = nullptr;
};
