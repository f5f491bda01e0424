#pragma once

#include <QObject>

class QProcess;

// Runs the kernel route monitor as a child process (read on the thread that owns
// this object, not a thread of its own) and signals every default-route addition
// or deletion.
class RoutingTableWatchThread : public QObject
{
    Q_OBJECT
public:
    explicit RoutingTableWatchThread(QObject* parent = nullptr);
    ~RoutingTableWatchThread() override;

    void start();
    void terminate();

signals:
    void routeChanged();

private slots:
    void processNotification();

private:
    QProcess* process;
};
