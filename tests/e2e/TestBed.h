#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One VPN test bed made by testbed.sh: a server namespace with two openvpn servers,
// a client side with its own network, process list, /run and resolver files, and a
// private copy of the application folder that the backend runs from. Everything the
// bed made goes away with the object.
class TestBed
{
public:
    // How the client side finds the operator's web host: in its hosts file, only
    // through a name server that never answers, or only through the name server
    // at 8.8.8.8 that the server namespace holds.
    enum class NameService { HostsFile, DeadServer, PublicDns };
    // Whether the client side has a process list of its own, or shares the machine's
    // with the bed's servers and one more openvpn on the client side that is not the
    // backend's (see foreignOpenvpns()).
    enum class ProcessView { Private, Shared };

    static const QString ServerHost;
    // The encrypted server under a host name of its own (beds with NameService::HostsFile).
    static const QString ServerAlias;
    static const QStringList DeadHosts;
    static const QString User;
    static const QString Password;
    static const QString LocalGateway;  // the client network's own router
    static const QString TunnelGateway; // the encrypted server's end of the tunnel

    explicit TestBed(NameService nameService = NameService::HostsFile, ProcessView processView = ProcessView::Private);
    ~TestBed();
    TestBed(const TestBed&) = delete;
    TestBed& operator=(const TestBed&) = delete;

    // Empty when the bed is up, otherwise what went wrong.
    QString setUp();

    QString folder() const { return m_dir.path(); }
    QString appDir() const;
    QString dataDir() const;

    // Starts a program on the client side. The process object runs the bed's
    // wrapper, so signals meant for the program go through signalProcesses().
    void start(QProcess& process, const QString& program, const QStringList& arguments = {}) const;

    // Installs the client's bundle into the bed as an installation would: root's,
    // ozm_launch set-uid, with the application copy (and what a test put there)
    // as its application folder; empty when done, otherwise what went wrong.
    QString installClient() const;
    // The installed client program.
    QString clientProgram() const;
    // Makes home a home of the bed's unprivileged user (with its data folder
    // "home/.local/share/Ozmira"), everything in it the user's; false when it
    // could not.
    bool makeUserHome(const QString& home) const;
    // Starts a program on the client side as the bed's unprivileged user with
    // that home, this process's display and an environment of its own.
    void startAsUser(QProcess& process, const QString& home, const QString& program,
                     const QStringList& arguments = {}) const;

    // Starts a program in the server namespace, where the servers' address is.
    void startOnServerSide(QProcess& process, const QString& program, const QStringList& arguments = {}) const;

    // Starts the client side's system bus in process, the one its programs (the
    // set-uid backend too) find at the usual place with no environment; false when
    // it does not listen within the time. It ends with the process or the bed.
    bool startSystemBus(QProcess& process) const;
    // That bus's address as this process reaches it, through the client side's /run.
    QString systemBusAddress() const;

    // A Wi-Fi adapter on the client side with its radio switched off (rfkill soft
    // block); a switch-on that writes 0 to it reaches only the bed's files. Once
    // a bed; false when it could not be made.
    bool addWifiAdapter(const QString& name) const;
    // A client-side link up, as an adapter's comes up once its radio is on.
    bool setLinkUp(const QString& name) const;

    // Host pids of the client side's processes with this name.
    QList<int> pids(const QString& name) const;
    // Host pids of the openvpn processes the bed itself started (the servers, and with
    // a shared process view the one on the client side).
    QList<int> foreignOpenvpns() const;
    // Sends the signal to every client-side process with this name; how many got it.
    int signalProcesses(const QString& name, int signal) const;

    // The client's IPv4 main routing table, its default route and its resolver file.
    QString routes() const;
    QString defaultRoute() const;
    QByteArray resolvConf() const;
    bool replaceDefaultRoute(const QString& gateway) const;
    // A default route with no gateway, only the device, as a PPP link has it.
    bool replaceDefaultRouteByDevice(const QString& device) const;
    // The client side's only link down, which takes its routes; up, with the
    // default route through the servers' side again.
    bool setNetworkUp(bool up) const;
    // Packets to host refused on the client side as "prohibited".
    bool prohibitRoute(const QString& host) const;

private:
    QProcessEnvironment scriptEnvironment() const;
    QString script(const QStringList& arguments, int* exitCode = nullptr) const;
    bool ip(const QStringList& arguments, QString* output = nullptr) const;

    const NameService m_nameService;
    const ProcessView m_processView;
    QTemporaryDir m_dir;
    QString m_clientNamespace;
    QString m_clientInterface;
    bool m_made = false;
};
