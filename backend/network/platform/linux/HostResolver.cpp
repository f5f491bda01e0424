#include "HostResolver.h"

#include "NetlinkChangeMonitor.h"

#include <QDebug>
#include <QUrl>

#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

// Where a lookup thread hands its answer in. It outlives the resolver while a
// lookup still waits for a resolver that does not answer.
struct HostResolver::Mailbox
{
    std::mutex mutex;
    HostResolver* receiver = nullptr; // null once the resolver is gone
};

namespace {

QList<QHostAddress> lookUpIPv4(const QByteArray& host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    QList<QHostAddress> addresses;
    if (getaddrinfo(host.constData(), nullptr, &hints, &found) != 0)
        return addresses;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        const QHostAddress address(entry->ai_addr);
        if (entry->ai_family == AF_INET && !addresses.contains(address))
            addresses << address;
    }
    freeaddrinfo(found);
    return addresses;
}

QString addressList(const QList<QHostAddress>& addresses)
{
    QStringList texts;
    for (const QHostAddress& address : addresses)
        texts << address.toString();
    return texts.isEmpty() ? QStringLiteral("nothing") : texts.join(QLatin1Char(' '));
}

} // namespace

HostResolver* HostResolver::forHost(const QString& host)
{
    static std::map<QString, std::unique_ptr<HostResolver>> resolvers;
    std::unique_ptr<HostResolver>& resolver = resolvers[host];
    if (!resolver)
        resolver = std::make_unique<HostResolver>(host, DefaultTimeLimitMs);
    return resolver.get();
}

HostResolver::HostResolver(const QString& host, int timeLimitMs, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_mailbox(std::make_shared<Mailbox>())
    , m_monitor(new NetlinkChangeMonitor(this))
{
    m_mailbox->receiver = this;
    m_timeLimit.setSingleShot(true);
    m_timeLimit.setInterval(timeLimitMs);
    connect(&m_timeLimit, &QTimer::timeout, this, &HostResolver::onTimeLimit);
    connect(m_monitor, &NetlinkChangeMonitor::changed, this, &HostResolver::refresh);
    m_monitor->open();
    startLookup();
}

HostResolver::~HostResolver()
{
    const std::lock_guard<std::mutex> lock(m_mailbox->mutex);
    m_mailbox->receiver = nullptr;
}

void HostResolver::refresh()
{
    if (m_running)
        m_again = true;
    else
        startLookup();
}

// A lookup that outlives its time limit keeps its thread until the system's
// resolver gives up; its answer is dropped then.
void HostResolver::startLookup()
{
    m_running = true;
    m_again = false;
    const quint64 lookup = ++m_lookup;
    m_timeLimit.start();
    try {
        std::thread([mailbox = m_mailbox, host = QUrl::toAce(m_host), lookup] {
            const QList<QHostAddress> addresses = lookUpIPv4(host);
            const std::lock_guard<std::mutex> lock(mailbox->mutex);
            if (HostResolver* receiver = mailbox->receiver) {
                QMetaObject::invokeMethod(
                    receiver, [receiver, lookup, addresses] { receiver->onAnswer(lookup, addresses); },
                    Qt::QueuedConnection);
            }
        }).detach();
    } catch (const std::system_error& error) {
        qCritical().noquote() << "ERROR HostResolver: no thread to look up" << m_host << "-" << error.what();
        m_timeLimit.stop();
        m_running = false;
        take({});
    }
}

void HostResolver::onAnswer(quint64 lookup, const QList<QHostAddress>& addresses)
{
    if (!m_running || lookup != m_lookup)
        return;
    m_timeLimit.stop();
    m_running = false;
    take(addresses);
    if (m_again)
        startLookup();
}

void HostResolver::onTimeLimit()
{
    qDebug().noquote() << QStringLiteral("HostResolver: %1 did not resolve within %2 ms")
                              .arg(m_host)
                              .arg(m_timeLimit.interval());
    ++m_lookup;
    m_running = false;
    take({});
    if (m_again)
        startLookup();
}

void HostResolver::take(const QList<QHostAddress>& addresses)
{
    const bool differs = addresses != m_addresses;
    m_answered = true;
    m_addresses = addresses;
    if (differs) {
        qDebug().noquote() << QStringLiteral("HostResolver: %1 resolves to %2").arg(m_host, addressList(addresses));
        emit addressesChanged();
    }
    emit answered();
}
