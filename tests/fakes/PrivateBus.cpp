#include "PrivateBus.h"

#include <QDBusMessage>
#include <QDebug>
#include <QTest>

namespace {

const QString MarkerPath = QStringLiteral("/org/ozmira/Test");
const QString MarkerInterface = QStringLiteral("org.ozmira.Test");
const QString MarkerName = QStringLiteral("Marker");

// Notes the marker it waits for.
class MarkerWatch : public QObject
{
    Q_OBJECT
public:
    explicit MarkerWatch(const QString& id)
        : id(id)
    {
    }

    const QString id;
    bool seen = false;

public slots:
    void onMarker(const QString& marker) { seen = seen || marker == id; }
};

} // namespace

PrivateBus::PrivateBus()
{
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QStringLiteral("/usr/bin/dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                    QStringLiteral("--address=unix:path=") + m_dir.filePath(QStringLiteral("bus"))});
    if (m_daemon.waitForReadyRead(10000))
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    else
        qWarning("dbus-daemon (package dbus-daemon) did not start");
}

PrivateBus::~PrivateBus()
{
    for (const QString& name : qAsConst(m_connections))
        QDBusConnection::disconnectFromBus(name);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(3000)) {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
}

bool PrivateBus::isRunning() const
{
    return !m_address.isEmpty() && m_daemon.state() == QProcess::Running;
}

QDBusConnection PrivateBus::connect(const QString& name) const
{
    // Connection names are the process's: each bus keeps its own apart.
    const QString connectionName = name + QLatin1Char('@') + m_address;
    if (!m_connections.contains(connectionName))
        m_connections << connectionName;
    return QDBusConnection::connectToBus(m_address, connectionName);
}

void PrivateBus::becomeSystemBus() const
{
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toUtf8());
}

bool PrivateBus::sendAndSettle(const QDBusConnection& sender, const QDBusMessage& message,
                               const QDBusConnection& listener, int timeoutMs)
{
    static int markers = 0;
    QDBusConnection hearing = listener;
    MarkerWatch watch(QString::number(++markers));
    hearing.connect(sender.baseService(), MarkerPath, MarkerInterface, MarkerName, &watch, SLOT(onMarker(QString)));
    // The bus has taken the listener's match rule once it has answered a call
    // sent after it.
    hearing.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                QStringLiteral("/org/freedesktop/DBus"),
                                                QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
    QDBusMessage marker = QDBusMessage::createSignal(MarkerPath, MarkerInterface, MarkerName);
    marker << watch.id;
    const bool settled = sender.send(message) && sender.send(marker)
                         && QTest::qWaitFor([&watch] { return watch.seen; }, timeoutMs);
    hearing.disconnect(sender.baseService(), MarkerPath, MarkerInterface, MarkerName, &watch,
                       SLOT(onMarker(QString)));
    return settled;
}

#include "PrivateBus.moc"
