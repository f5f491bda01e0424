#include "TestBed.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

#include <csignal>

const QString TestBed::ServerHost = QStringLiteral("10.77.0.1");
const QString TestBed::ServerAlias = QStringLiteral("vpn2.bed.test");
const QStringList TestBed::DeadHosts = {QStringLiteral("10.77.0.11"), QStringLiteral("10.77.0.12"),
                                        QStringLiteral("10.77.0.13")};
const QString TestBed::User = QStringLiteral("alice");
const QString TestBed::Password = QStringLiteral("s3cret");
const QString TestBed::LocalGateway = QStringLiteral("10.77.0.1");
const QString TestBed::TunnelGateway = QStringLiteral("10.8.0.1");

namespace {
const QString Script = QStringLiteral(OZM_TESTBED_SCRIPT);
const QString IpTool = QStringLiteral("/usr/sbin/ip");
} // namespace

TestBed::TestBed(NameService nameService, ProcessView processView)
    : m_nameService(nameService)
    , m_processView(processView)
    , m_dir(QDir::tempPath() + QStringLiteral("/ozm-e2e-XXXXXX"))
{
}

TestBed::~TestBed()
{
    if (m_made)
        script({QStringLiteral("teardown")});
}

QString TestBed::setUp()
{
    if (!m_dir.isValid())
        return QStringLiteral("no folder for the test bed: ") + m_dir.errorString();
    m_made = true;
    int exitCode = -1;
    const QString output = script({QStringLiteral("setup"), QStringLiteral(OZM_APP_DIR)}, &exitCode);
    if (exitCode != 0)
        return QStringLiteral("testbed.sh setup failed: ") + output;
    const QStringList names = script({QStringLiteral("names")}).trimmed().split(QLatin1Char(' '));
    m_clientNamespace = names.value(1);
    m_clientInterface = names.value(2);
    return m_clientInterface.isEmpty() ? QStringLiteral("testbed.sh names no client namespace") : QString();
}

QString TestBed::appDir() const
{
    return folder() + QStringLiteral("/app");
}

QString TestBed::dataDir() const
{
    return folder() + QStringLiteral("/data");
}

void TestBed::start(QProcess& process, const QString& program, const QStringList& arguments) const
{
    process.setProcessEnvironment(scriptEnvironment());
    process.start(Script, QStringList{QStringLiteral("exec"), program} + arguments);
}

QString TestBed::installClient() const
{
    int exitCode = -1;
    const QString output = script({QStringLiteral("install-client"), QStringLiteral(OZM_CLIENT_BUNDLE)}, &exitCode);
    return exitCode == 0 ? QString() : QStringLiteral("testbed.sh install-client failed: ") + output;
}

QString TestBed::clientProgram() const
{
    return folder() + QStringLiteral("/Ozmira/Contents/bin/ozm");
}

bool TestBed::makeUserHome(const QString& home) const
{
    int exitCode = -1;
    script({QStringLiteral("user-home"), home}, &exitCode);
    return exitCode == 0;
}

void TestBed::startAsUser(QProcess& process, const QString& home, const QString& program,
                          const QStringList& arguments) const
{
    process.setProcessEnvironment(scriptEnvironment());
    process.start(Script, QStringList{QStringLiteral("user-exec"), home, program} + arguments);
}

void TestBed::startOnServerSide(QProcess& process, const QString& program, const QStringList& arguments) const
{
    process.setProcessEnvironment(scriptEnvironment());
    process.start(Script, QStringList{QStringLiteral("server-exec"), program} + arguments);
}

bool TestBed::startSystemBus(QProcess& process) const
{
    process.setProcessEnvironment(scriptEnvironment());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(Script, {QStringLiteral("system-bus")});
    return process.waitForReadyRead(20000) && process.readLine().startsWith("unix:");
}

QString TestBed::systemBusAddress() const
{
    QFile init(folder() + QStringLiteral("/client.init"));
    if (!init.open(QIODevice::ReadOnly))
        return QString();
    return QStringLiteral("unix:path=/proc/%1/root/run/dbus/system_bus_socket")
        .arg(QString::fromLatin1(init.readAll().trimmed()));
}

bool TestBed::addWifiAdapter(const QString& name) const
{
    int exitCode = -1;
    script({QStringLiteral("wifi-adapter"), name}, &exitCode);
    return exitCode == 0;
}

bool TestBed::setLinkUp(const QString& name) const
{
    return ip({QStringLiteral("link"), QStringLiteral("set"), name, QStringLiteral("up")});
}

QList<int> TestBed::pids(const QString& name) const
{
    QList<int> found;
    for (const QString& pid : script({QStringLiteral("pids"), name}).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        found << pid.toInt();
    return found;
}

QList<int> TestBed::foreignOpenvpns() const
{
    QList<int> found;
    for (const char* name : {"encrypted.pid", "plain.pid", "foreign.pid"}) {
        QFile file(folder() + QLatin1Char('/') + QLatin1String(name));
        if (file.open(QIODevice::ReadOnly))
            found << file.readAll().trimmed().toInt();
    }
    return found;
}

int TestBed::signalProcesses(const QString& name, int signal) const
{
    int signalled = 0;
    for (const int pid : pids(name)) {
        if (pid > 0 && ::kill(pid, signal) == 0)
            ++signalled;
    }
    return signalled;
}

QString TestBed::routes() const
{
    QString table;
    ip({QStringLiteral("route"), QStringLiteral("show")}, &table);
    return table;
}

QString TestBed::defaultRoute() const
{
    QString route;
    ip({QStringLiteral("route"), QStringLiteral("show"), QStringLiteral("default")}, &route);
    return route.trimmed();
}

QByteArray TestBed::resolvConf() const
{
    QFile file(QStringLiteral("/etc/netns/%1/resolv.conf").arg(m_clientNamespace));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TestBed::replaceDefaultRoute(const QString& gateway) const
{
    return ip({QStringLiteral("route"), QStringLiteral("replace"), QStringLiteral("default"), QStringLiteral("via"),
               gateway});
}

bool TestBed::replaceDefaultRouteByDevice(const QString& device) const
{
    return ip({QStringLiteral("route"), QStringLiteral("replace"), QStringLiteral("default"), QStringLiteral("dev"),
               device});
}

bool TestBed::setNetworkUp(bool up) const
{
    if (!ip({QStringLiteral("link"), QStringLiteral("set"), m_clientInterface,
             up ? QStringLiteral("up") : QStringLiteral("down")}))
        return false;
    return !up || replaceDefaultRoute(LocalGateway);
}

bool TestBed::prohibitRoute(const QString& host) const
{
    return ip({QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("prohibit"), host + QStringLiteral("/32")});
}

// The script finds its bed by the folder in TESTBED.
QProcessEnvironment TestBed::scriptEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TESTBED"), folder());
    environment.insert(QStringLiteral("WEB_HOST_LOOKUP"), m_nameService == NameService::HostsFile    ? QStringLiteral("hosts")
                                                          : m_nameService == NameService::DeadServer ? QStringLiteral("dns")
                                                                                                    : QStringLiteral("public-dns"));
    environment.insert(QStringLiteral("CLIENT_PIDS"),
                       m_processView == ProcessView::Private ? QStringLiteral("private") : QStringLiteral("shared"));
    return environment;
}

QString TestBed::script(const QStringList& arguments, int* exitCode) const
{
    QProcess process;
    process.setProcessEnvironment(scriptEnvironment());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(Script, arguments);
    const bool finished = process.waitForFinished(30000);
    if (exitCode)
        *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

bool TestBed::ip(const QStringList& arguments, QString* output) const
{
    QProcess process;
    process.start(IpTool, QStringList{QStringLiteral("-n"), m_clientNamespace, QStringLiteral("-4")} + arguments);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return true;
}
