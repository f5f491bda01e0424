#include "LocalSocketOwner.h"

#include "SocketDiagnosis.h"

#include <QFile>
#include <QHostAddress>
#include <QSet>
#include <QTcpSocket>
#include <QtEndian>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

enum class Table { V4, V6 };

const char* const TablePaths[] = {"/proc/net/tcp", "/proc/net/tcp6"};
constexpr Table Tables[] = {Table::V4, Table::V6};

const QByteArray ListenState = "0A";

QByteArray hexWord(quint32 word)
{
    return QByteArray::number(word, 16).toUpper().rightJustified(8, '0');
}

// An IPv4 peer of a dual-stack socket shows in the IPv6 table in its mapped form.
Q_IPV6ADDR asIpv6(const QHostAddress& address)
{
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return address.toIPv6Address();
    Q_IPV6ADDR mapped{};
    mapped.c[10] = mapped.c[11] = 0xff;
    qToBigEndian(address.toIPv4Address(), mapped.c + 12);
    return mapped;
}

// The tables print an address as the 32-bit words of its network-order bytes, each
// read in the machine's own order, in hex; the port follows in plain hex.
QByteArray endpointKey(Table table, const QHostAddress& address, quint16 port)
{
    QByteArray key;
    if (table == Table::V4) {
        bool isV4 = false;
        const quint32 v4 = address.toIPv4Address(&isV4);
        if (!isV4)
            return {};
        key = hexWord(qToBigEndian(v4));
    } else {
        const Q_IPV6ADDR v6 = asIpv6(address);
        for (int i = 0; i < 16; i += 4) {
            quint32 word = 0;
            std::memcpy(&word, v6.c + i, sizeof word);
            key += hexWord(word);
        }
    }
    return key + ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
}

struct Row
{
    QByteArray local;
    QByteArray state;
    uid_t uid;
};

QList<Row> readTable(Table table)
{
    QFile file{QString::fromLatin1(TablePaths[int(table)])};
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Row> rows;
    file.readLine(); // column titles
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine()) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        bool ok = false;
        const uid_t uid = fields.value(7).toUInt(&ok);
        if (fields.size() > 7 && ok)
            rows.append({fields.at(1), fields.at(3), uid});
    }
    return rows;
}

bool isEstablished(const QTcpSocket& socket)
{
    tcp_info info{};
    socklen_t length = sizeof info;
    return ::getsockopt(int(socket.socketDescriptor()), IPPROTO_TCP, TCP_INFO, &info, &length) == 0
        && info.tcpi_state == TCP_ESTABLISHED;
}

std::optional<uid_t> soleOwner(const QSet<uid_t>& owners)
{
    if (owners.size() != 1)
        return std::nullopt;
    return *owners.constBegin();
}

} // namespace

std::optional<uid_t> LocalSocketOwner::peerUid(const QTcpSocket& socket)
{
    if (socket.state() != QAbstractSocket::ConnectedState)
        return std::nullopt;
    // The far end's socket sees the connection from its side: its own address as
    // the source, ours as the destination.
    const std::optional<uid_t> owner =
        SocketDiagnosis::ownerOf(socket.peerAddress(), socket.peerPort(), socket.localAddress(), socket.localPort());
    // Once the far end has closed, a newer connection of anyone may take up the same
    // addresses, and the lookup finds that one; ours, still open, tells them apart.
    return owner && isEstablished(socket) ? owner : std::nullopt;
}

std::optional<uid_t> LocalSocketOwner::listenerUid(quint16 port)
{
    const QHostAddress acceptors[] = {QHostAddress(QHostAddress::LocalHost), QHostAddress(QHostAddress::AnyIPv4),
                                      QHostAddress(QHostAddress::AnyIPv6)};
    QSet<uid_t> owners;
    for (const Table table : Tables) {
        QSet<QByteArray> keys;
        for (const QHostAddress& address : acceptors)
            keys.insert(endpointKey(table, address, port));
        keys.remove(QByteArray());
        for (const Row& row : readTable(table)) {
            if (row.state == ListenState && keys.contains(row.local))
                owners.insert(row.uid);
        }
    }
    return soleOwner(owners);
}
