#pragma once

#include <QObject>

class QSocketNotifier;

// Listens to the kernel's routing messages (links, IPv4 addresses, IPv4 routes)
// and signals once for every batch that holds at least one of them.
class NetlinkChangeMonitor : public QObject
{
    Q_OBJECT
public:
    explicit NetlinkChangeMonitor(QObject* parent);
    ~NetlinkChangeMonitor() override;

    // false when the kernel refused the socket
    bool open();
    void close();
    bool isOpen() const { return fd >= 0; }

signals:
    void changed();

private:
    void onReadable();

    int fd = -1;
    QSocketNotifier* notifier = nullptr;
};
