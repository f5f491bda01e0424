#include "NetlinkChangeMonitor.h"

#include <QDebug>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool isNetworkChange(quint16 type)
{
    switch (type) {
    case RTM_NEWLINK:
    case RTM_DELLINK:
    case RTM_NEWADDR:
    case RTM_DELADDR:
    case RTM_NEWROUTE:
    case RTM_DELROUTE:
        return true;
    default:
        return false;
    }
}

// Walks one datagram. Only the kernel may speak here, and every header is
// bounds-checked before it is read.
bool batchHasNetworkChange(const char* data, ssize_t length)
{
    int remaining = int(length);
    for (auto* header = reinterpret_cast<const nlmsghdr*>(data); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if (isNetworkChange(header->nlmsg_type))
            return true;
    }
    return false;
}

} // namespace

NetlinkChangeMonitor::NetlinkChangeMonitor(QObject* parent)
    : QObject(parent)
{
}

NetlinkChangeMonitor::~NetlinkChangeMonitor()
{
    close();
}

bool NetlinkChangeMonitor::open()
{
    if (isOpen())
        return true;
    fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0) {
        qCritical().noquote() << "ERROR network watching: no routing socket:" << strerror(errno);
        return false;
    }
    sockaddr_nl local {};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) < 0) {
        qCritical().noquote() << "ERROR network watching: cannot listen to routing messages:" << strerror(errno);
        close();
        return false;
    }
    notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &NetlinkChangeMonitor::onReadable);
    return true;
}

void NetlinkChangeMonitor::close()
{
    if (!isOpen())
        return;
    // close() may be reached from a receiver of changed(), inside the notifier's
    // own activation, so the notifier goes later.
    notifier->setEnabled(false);
    notifier->deleteLater();
    notifier = nullptr;
    ::close(fd);
    fd = -1;
}

void NetlinkChangeMonitor::onReadable()
{
    alignas(nlmsghdr) char buffer[32768];
    bool change = false;
    for (;;) {
        sockaddr_nl sender {};
        iovec io { buffer, sizeof(buffer) };
        msghdr message {};
        message.msg_name = &sender;
        message.msg_namelen = sizeof(sender);
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        const ssize_t length = ::recvmsg(fd, &message, MSG_DONTWAIT);
        if (length < 0) {
            if (errno == EINTR)
                continue;
            // The kernel dropped messages we were too slow for: something changed.
            if (errno == ENOBUFS)
                change = true;
            break;
        }
        if (length == 0)
            break;
        const bool fromKernel = message.msg_namelen == sizeof(sender) && sender.nl_pid == 0;
        const bool truncated = message.msg_flags & MSG_TRUNC;
        if (fromKernel && !truncated && batchHasNetworkChange(buffer, length))
            change = true;
    }
    if (change)
        emit changed();
}
