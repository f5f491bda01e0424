#include "NetTools.h"

#include "FileHttpRequest.h"
#include "OperatorWebHost.h"
#include "execute_manager.h"

#include <QDebug>
#include <QDnsLookup>
#include <QEventLoop>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

const QString NetTools::ConfirmationUrl =
    QStringLiteral("https://") + QLatin1String(OperatorWebHost) + QStringLiteral("/ozmir/confirm");

namespace {

// The host reaches ping and traceroute as an argument: anything but a name or
// an address ("-f", "-c9") would be read as an option.
bool isHostArgument(const QString& host)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9.:][A-Za-z0-9.:-]*$"));
    if (pattern.match(host).hasMatch())
        return true;
    qWarning().noquote() << "NetTools: not a host name or address:" << host;
    return false;
}

// Debian installs it in /usr/bin, others in /usr/sbin, which a user's PATH may
// leave out.
QString tracerouteProgram()
{
    const QString name = QStringLiteral("traceroute");
    QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    return program;
}

} // namespace

QString NetTools::traceroute(const QString& host)
{
    if (!isHostArgument(host))
        return QString();
    const QString program = tracerouteProgram();
    if (program.isEmpty()) {
        qWarning("NetTools: traceroute is not installed");
        return QString();
    }
    QString output;
    execute_manager::execute_and_get_stdout(
        output, program,
        {QStringLiteral("-n"), QStringLiteral("-m"), QStringLiteral("7"), QStringLiteral("-w"), QStringLiteral("1"), host},
        nullptr);
    return output;
}

bool NetTools::ping(const QString& host, QString& out, unsigned int count, unsigned int replyWaitSeconds)
{
    out.clear();
    if (!isHostArgument(host))
        return false;
    QStringList arguments{QStringLiteral("-c"), QString::number(count)};
    if (replyWaitSeconds > 0)
        arguments << QStringLiteral("-W") << QString::number(replyWaitSeconds);
    int exitCode = -1;
    const bool finished =
        execute_manager::execute_and_get_stdout(out, QStringLiteral("ping"), arguments << host, &exitCode);
    return finished && exitCode == 0;
}

QList<QHostAddress> NetTools::dns_resolve(const QString& host)
{
    const QHostInfo info = QHostInfo::fromName(host);
    if (info.error() != QHostInfo::NoError) {
        qWarning().noquote() << "failed to resolve host" << host;
        return {};
    }
    if (info.addresses().isEmpty()) {
        qWarning().noquote() << "cannot resolve addresses of host" << host;
        return {};
    }
    return info.addresses();
}

bool NetTools::nslookup(const QString& host)
{
    return !dns_resolve(host).isEmpty();
}

QList<QHostAddress> NetTools::dns_resolve(const QString& host, const QString& nameServer)
{
    qDebug().noquote() << "NetTools::dns_resolve: " << host;
    const auto failed = [&] {
        qDebug().noquote() << "NetTools::dns_resolve: failed lookup" << host << "from" << nameServer;
        return QList<QHostAddress>();
    };
    // A null server would have the lookup ask the system's resolver instead.
    const QHostAddress server(nameServer);
    if (server.isNull())
        return failed();

    QDnsLookup lookup(QDnsLookup::A, host, server);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&lookup, &QDnsLookup::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QMetaObject::invokeMethod(&lookup, "lookup", Qt::QueuedConnection);
    timer.start(DnsTimeoutMs);
    loop.exec();
    timer.stop();
    if (!lookup.isFinished() || lookup.error() != QDnsLookup::NoError)
        return failed();

    QList<QHostAddress> addresses;
    for (const QDnsHostAddressRecord& record : lookup.hostAddressRecords()) {
        qDebug().noquote() << "NetTools::dns_resolve: record found: " << record.name() << record.value().toString();
        addresses.append(record.value());
    }
    return addresses;
}

bool NetTools::nslookup(const QString& host, const QString& nameServer)
{
    return !dns_resolve(host, nameServer).isEmpty();
}

bool NetTools::http_test(int timeout)
{
    return confirmation_test(ConfirmationUrl, timeout);
}

bool NetTools::confirmation_test(const QString& url, int timeout)
{
    FileHttpRequest request(url);
    return request.get(timeout) == 200 && request.reply()->readAll().contains("confirmed");
}

bool NetTools::http_url_test(const QString& url, int timeout)
{
    return FileHttpRequest(url).get(timeout) == 200;
}

QString NetTools::getMacAddresses(const QString& separator)
{
    QString addresses;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags() & (QNetworkInterface::IsUp | QNetworkInterface::IsLoopBack);
        if (flags == QNetworkInterface::IsUp && !interface.hardwareAddress().isEmpty())
            addresses += interface.hardwareAddress() + separator;
    }
    return addresses;
}
