#include "ServiceTestKit.h"

#include <VpnAuthData.h>
#include <VpnCluster.h>
#include <VpnServer.h>

#include <QTcpServer>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const NetworkEvent = "OZM_LOCAL_CONNECTION_IS_CHANGED";
const char* const StateEvent = "OZM_ACTIVATION_STATE_CHANGED";
const QString Accepted = LinkProtocol::HandshakeAccepted;
const QByteArray Refused = QByteArray(LinkProtocol::HandshakeRejected) + '\n';

QString someCredentials()
{
    VpnAuthData credentials;
    credentials.host = "127.0.0.1";
    credentials.user = "user";
    credentials.password = "secret";
    credentials.is_encrypted = true;
    return credentials.toString();
}
}

class tst_BackendService : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void acceptedClientLearnsNetworkAndState_data();
    void acceptedClientLearnsNetworkAndState();
    void handshakeIsRefused_data();
    void handshakeIsRefused();
    void requestGetsItsReply_data();
    void requestGetsItsReply();
    void serverListReachesTheStateMachine();
    void unknownRequestIsSkipped();
    void connectionOfAnotherUserIsRefused();
    void thirdConnectionIsRefused();
    void ownerGetsInThroughAFlood();
    void sessionEnds_data();
    void sessionEnds();
    void ignoredSignalStaysIgnored();
    void requestRightBehindHandshakeIsServed();
    void setuidServiceRunsToolsInItsOwnEnvironment();

private:
    void openSession();

    std::unique_ptr<InstalledBackend> installed;
    std::unique_ptr<BackendProcess> backend;
    std::unique_ptr<LinkPeer> peer;
};

void tst_BackendService::initTestCase()
{
    installed = std::make_unique<InstalledBackend>();
}

void tst_BackendService::init()
{
    QVERIFY(PrivateNamespaces::renewNetwork());
    backend = std::make_unique<BackendProcess>(*installed);
    QVERIFY2(backend->waitUntilListening(), qPrintable(backend->standardError()));
    peer = std::make_unique<LinkPeer>();
}

void tst_BackendService::cleanup()
{
    peer.reset();
    backend.reset();
    killOpenVpn(installed->dataDir());
}

void tst_BackendService::openSession()
{
    QVERIFY(peer->connectBoth());
    QCOMPARE(peer->handshake(installed->appDir(), installed->dataDir()), Accepted);
    QCOMPARE(peer->nextMessage().name, QString(NetworkEvent));
    QCOMPARE(peer->nextMessage().name, QString(StateEvent));
}

void tst_BackendService::acceptedClientLearnsNetworkAndState_data()
{
    QTest::addColumn<QStringList>("network");
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("networkEventAgain");

    QTest::newRow("no network: disconnected") << QStringList() << "0" << false;
    QTest::newRow("wired network: secure") << QStringList{"link add w0 type veth peer name w1", "addr add 10.77.0.2/24 dev w0",
                                                          "link set w1 up", "link set w0 up", "route add default via 10.77.0.1"}
                                           << "1" << true;
}

void tst_BackendService::acceptedClientLearnsNetworkAndState()
{
    QFETCH(QStringList, network);
    QFETCH(QString, state);
    QFETCH(bool, networkEventAgain);
    for (const QString& command : network)
        QVERIFY(PrivateNamespaces::ip(command));

    QVERIFY(peer->connectBoth());
    QCOMPARE(peer->handshake(installed->appDir(), installed->dataDir()), Accepted);

    const LinkMessage network1 = peer->nextMessage();
    QCOMPARE(network1.name, QString(NetworkEvent));
    QCOMPARE(network1.arguments.size(), 8);
    QCOMPARE(network1.arguments.at(2), QString(networkEventAgain ? "1" : "0"));
    const LinkMessage activation = peer->nextMessage();
    QCOMPARE(activation.name, QString(StateEvent));
    QCOMPARE(activation.arguments, QStringList{state});
    const LinkMessage next = peer->nextMessage(networkEventAgain ? 5000 : 500);
    QCOMPARE(next.name, networkEventAgain ? QString(NetworkEvent) : QString());
    QVERIFY(peer->waitForLogLine("0BackendService: OZM client connected successfully."));
}

void tst_BackendService::handshakeIsRefused_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QByteArray>("answer");

    const QString app = "<app>";
    const QString data = "<data>";
    QTest::newRow("wrong first keyword") << QStringList{"OZM_SET_APP", app, "OZM_SET_APP_DATA_DIR", data} << "" << Refused;
    QTest::newRow("wrong third keyword") << QStringList{"OZM_SET_APP_DIR", app, "OZM_SET_DATA_DIR", data} << "" << Refused;
    QTest::newRow("wrong number") << QStringList{"OZM_SET_APP_DIR", app, "OZM_SET_APP_DATA_DIR", data} << "5315"
                                  << QByteArray::number(LinkProtocol::HandshakeNumber) + "\n" + Refused;
    QTest::newRow("foreign application folder") << QStringList{"OZM_SET_APP_DIR", "/usr/sbin", "OZM_SET_APP_DATA_DIR", data}
                                                << "" << Refused;
    QTest::newRow("overlong application folder") << QStringList{"OZM_SET_APP_DIR", "/" + QString(5000, 'a'), "OZM_SET_APP_DATA_DIR", data}
                                                 << "" << Refused;
    QTest::newRow("relative data folder") << QStringList{"OZM_SET_APP_DIR", app, "OZM_SET_APP_DATA_DIR", "data"} << ""
                                          << Refused;
    QTest::newRow("data folder through a symlink") << QStringList{"OZM_SET_APP_DIR", app, "OZM_SET_APP_DATA_DIR", "<symlink>"}
                                                   << "" << Refused;
    QTest::newRow("data folder of another user") << QStringList{"OZM_SET_APP_DIR", app, "OZM_SET_APP_DATA_DIR", "<nobody's>"}
                                                 << "" << Refused;
    QTest::newRow("data folder writable by others") << QStringList{"OZM_SET_APP_DIR", app, "OZM_SET_APP_DATA_DIR", "<shared>"}
                                                    << "" << Refused;
    QTest::newRow("missing data folder") << QStringList{"OZM_SET_APP_DIR", app, "OZM_SET_APP_DATA_DIR", "<missing>"} << ""
                                         << Refused;
}

void tst_BackendService::handshakeIsRefused()
{
    QFETCH(QStringList, lines);
    QFETCH(QString, number);
    QFETCH(QByteArray, answer);

    QTemporaryDir folders;
    const QString nobodys = folders.filePath("nobody");
    const QString shared = folders.filePath("shared");
    QDir().mkpath(nobodys);
    QDir().mkpath(shared);
    QVERIFY(chown(QFile::encodeName(nobodys).constData(), 65534, 65534) == 0);
    QVERIFY(chmod(QFile::encodeName(nobodys).constData(), 0700) == 0);
    QVERIFY(chmod(QFile::encodeName(shared).constData(), 0777) == 0);
    QVERIFY(QFile::link(installed->dataDir(), folders.filePath("symlink")));
    lines.replaceInStrings("<app>", installed->appDir());
    lines.replaceInStrings("<data>", installed->dataDir());
    lines.replaceInStrings("<nobody's>", nobodys);
    lines.replaceInStrings("<shared>", shared);
    lines.replaceInStrings("<symlink>", folders.filePath("symlink"));
    lines.replaceInStrings("<missing>", folders.filePath("missing"));

    QVERIFY(peer->connectBoth());
    peer->send(lines);
    if (!number.isEmpty()) {
        QVERIFY(peer->control.waitForReadyRead(5000));
        peer->send({number});
    }
    QCOMPARE(peer->readControlUntilClosed(), answer);
    QVERIFY(peer->waitForLogLine("2BackendService: wrong client connected."));
    QVERIFY(backend->waitForExit(5000));
    QCOMPARE(backend->exitCode(), 0);
}

void tst_BackendService::requestGetsItsReply_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("reply");
    QTest::addColumn<QStringList>("events");

    const QString noServer = VpnServer().toString();
    QTest::newRow("initial state") << "OZM_INITIAL_ACTIVATION_STATE" << QStringList() << QStringList{"0"} << QStringList();
    QTest::newRow("initial state ignores arguments")
        << "OZM_INITIAL_ACTIVATION_STATE" << QStringList{"x", "y"} << QStringList{"0"} << QStringList();
    QTest::newRow("statistics while idle")
        << "OZM_UPDATE_VPN_STATISTICS" << QStringList() << QStringList() << QStringList{"OZM_VPN_STATISTICS_UPDATED"};
    QTest::newRow("largest reactivation delay")
        << "OZM_VPN_REACTIVATE" << QStringList{"18446744073709551615"} << QStringList() << QStringList();
    QTest::newRow("reactivation, two arguments") << "OZM_VPN_REACTIVATE" << QStringList{"1", "2"} << QStringList() << QStringList();
    QTest::newRow("next server, no argument")
        << "OZM_GET_NEXT_RECONNECTION_SERVER" << QStringList() << QStringList{noServer} << QStringList();
    QTest::newRow("next server, none known")
        << "OZM_GET_NEXT_RECONNECTION_SERVER" << QStringList{"garbage"} << QStringList{noServer} << QStringList();
    QTest::newRow("password invalid")
        << "OZM_ON_VPN_AUTH_FAILED_ANSWER" << QStringList{"1"} << QStringList()
        << QStringList{StateEvent, "OZM_AUTHENTICATION_FAILED"};
    QTest::newRow("auth answer, no argument") << "OZM_ON_VPN_AUTH_FAILED_ANSWER" << QStringList() << QStringList() << QStringList();
    QTest::newRow("empty server lists") << "OZM_SET_SERVERS_LIST" << QStringList{"", ""} << QStringList() << QStringList();
    QTest::newRow("server lists, one argument") << "OZM_SET_SERVERS_LIST" << QStringList{""} << QStringList() << QStringList();
    QTest::newRow("cluster") << "OZM_SET_CURRENT_CLUSTER" << QStringList{"Europe"} << QStringList() << QStringList();
    QTest::newRow("cluster, no argument") << "OZM_SET_CURRENT_CLUSTER" << QStringList() << QStringList() << QStringList();
    QTest::newRow("deactivate while idle") << "OZM_VPN_DEACTIVATE" << QStringList() << QStringList() << QStringList{StateEvent};
    QTest::newRow("reset reconnection") << "OZM_RESET_RECONNECTION_LOGIC" << QStringList() << QStringList()
                                        << QStringList{"OZM_RESTORE_SAVED_CLUSTER_AND_SERVER"};
    QTest::newRow("activate on internet") << "OZM_VPN_ACTIVATE_ON_INTERNET_EXISTED" << QStringList() << QStringList() << QStringList();
    QTest::newRow("activate, no argument") << "OZM_VPN_ACTIVATE" << QStringList() << QStringList() << QStringList();
}

void tst_BackendService::requestGetsItsReply()
{
    QFETCH(QString, name);
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, reply);
    QFETCH(QStringList, events);
    openSession();

    QStringList seen;
    QCOMPARE(peer->request(name, arguments, &seen), reply);
    QCOMPARE(seen, events);
}

void tst_BackendService::serverListReachesTheStateMachine()
{
    openSession();
    QList<VpnServer> servers;
    for (const char* name : {"a1", "a2"}) {
        VpnServer server;
        server.name = name;
        server.host = QString(name) + ".example.net";
        servers.append(server);
    }
    VpnCluster cluster;
    cluster.name = "A";
    cluster.servers = QStringList{"a1", "a2"};
    QCOMPARE(peer->request("OZM_SET_SERVERS_LIST", {servers[0].toString() + "<<<>>>" + servers[1].toString(), cluster.toString()}),
             QStringList());
    QCOMPARE(peer->request("OZM_SET_CURRENT_CLUSTER", {"A"}), QStringList());
    QCOMPARE(peer->request("OZM_GET_NEXT_RECONNECTION_SERVER", {servers[0].toString()}), QStringList{servers[1].toString()});
}

void tst_BackendService::unknownRequestIsSkipped()
{
    openSession();
    peer->control.write("OZM_NO_SUCH_THING\nlost\n0\n");
    QCOMPARE(peer->request("OZM_INITIAL_ACTIVATION_STATE", {}), QStringList{"0"});
    QVERIFY(peer->waitForLogLine("1BackendService: unknown command OZM_NO_SUCH_THING Skipping command."));
}

// Another local user reaching the port first, or between the log and the control
// connection, is turned away; the user who started the backend keeps the session.
void tst_BackendService::connectionOfAnotherUserIsRefused()
{
    auto connectAsNobody = [this] {
        QProcess intruder;
        intruder.start("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--", QStringLiteral(OZM_LINK_CLIENT),
                                            "--timeout", "3000", "--app-dir", installed->appDir(), "--data-dir", "/tmp",
                                            "OZM_INITIAL_ACTIVATION_STATE"});
        QVERIFY(intruder.waitForFinished(10000));
        QVERIFY(intruder.exitCode() != 0);
        QVERIFY2(!intruder.readAllStandardOutput().contains("HANDSHAKE"), "the intruder got a handshake");
    };
    connectAsNobody();
    QVERIFY(backend->isRunning());
    QVERIFY(peer->connectLog());
    connectAsNobody();
    QVERIFY(peer->waitForLogLine("2BackendService: connection from another user refused."));
    QVERIFY(peer->connectControl());
    QCOMPARE(peer->handshake(installed->appDir(), installed->dataDir()), Accepted);
}

void tst_BackendService::thirdConnectionIsRefused()
{
    openSession();
    QTcpSocket third;
    third.connectToHost(QHostAddress::LocalHost, 10014);
    QVERIFY(!third.waitForConnected(5000));
    QCOMPARE(third.error(), QAbstractSocket::ConnectionRefusedError);
    QCOMPARE(peer->request("OZM_INITIAL_ACTIVATION_STATE", {}), QStringList{"0"});
}

// Another user holding a few hundred loopback connections of their own and opening
// connections to the backend in bursts, closing each as soon as it is up, does not
// keep the owner out of the window in which the backend waits for its client; none
// of the connections the flood has closed passes for the owner's.
void tst_BackendService::ownerGetsInThroughAFlood()
{
    QProcess flood;
    flood.start("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--", "/usr/bin/python3",
                                     QStringLiteral(OZM_CONNECTION_FLOOD), "300", "10014", "40"});
    QVERIFY(flood.waitForReadyRead(10000));
    // The backend takes the first connection of its owner for the log: under a flood
    // the kernel may hand it the second one first, so the client waits for the log
    // to stream, which tells of the flood's refused connections.
    QVERIFY(peer->connectLog());
    QVERIFY(peer->waitForLogLine("2BackendService: connection from another user refused."));
    QVERIFY(peer->connectControl());
    QCOMPARE(peer->handshake(installed->appDir(), installed->dataDir()), Accepted);
    flood.kill();
    flood.waitForFinished();
    QCOMPARE(peer->request("OZM_INITIAL_ACTIVATION_STATE", {}), QStringList{"0"});
}

void tst_BackendService::sessionEnds_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("withOpenVpn");

    QTest::newRow("log connection closed, VPN up") << "log" << 0 << true;
    QTest::newRow("control connection closed") << "control" << 0 << false;
    QTest::newRow("terminated, VPN up") << "SIGTERM" << 1 << true;
    QTest::newRow("interrupted") << "SIGINT" << 1 << false;
    QTest::newRow("hung up, VPN up") << "SIGHUP" << 1 << true;
}

// openvpn runs detached and would outlive the backend; however the session ends,
// the backend takes it down through its management interface first.
void tst_BackendService::sessionEnds()
{
    QFETCH(QString, ending);
    QFETCH(int, exitCode);
    QFETCH(bool, withOpenVpn);
    openSession();
    // A VPN server that never answers keeps openvpn waiting rather than giving up.
    QTcpServer silentServer;
    QString openvpn;
    if (withOpenVpn) {
        QVERIFY(silentServer.listen(QHostAddress::LocalHost, 1195));
        QStringList events;
        QCOMPARE(peer->request("OZM_VPN_ACTIVATE", {someCredentials()}, &events), QStringList());
        QVERIFY2(events.contains(StateEvent), qPrintable(events.join(' ')));
        openvpn = openVpnProcess(installed->dataDir());
        QVERIFY(!openvpn.isEmpty());
    }

    if (ending == "log")
        peer->log.close();
    else if (ending == "control")
        peer->control.close();
    else
        backend->signal(ending == "SIGTERM" ? SIGTERM : ending == "SIGINT" ? SIGINT : SIGHUP);

    QVERIFY(backend->waitForExit(5000));
    QCOMPARE(backend->exitCode(), exitCode);
    if (ending.startsWith("SIG"))
        QVERIFY(peer->waitForLogLine("0Process killed by signal."));
    for (QTcpSocket* socket : {&peer->log, &peer->control})
        QVERIFY(!socket->isOpen() || LinkPeer::waitUntilClosed(*socket, 1000));
    QVERIFY2(backend->standardError().contains("BackendService: Service closed."), qPrintable(backend->standardError()));
    if (withOpenVpn)
        QTRY_VERIFY_WITH_TIMEOUT(!isOpenVpn(openvpn), 5000);
}

void tst_BackendService::ignoredSignalStaysIgnored()
{
    backend.reset();
    backend = std::make_unique<BackendProcess>(*installed, QStringList{"/bin/sh", "-c", "trap '' INT; exec \"$0\""});
    QVERIFY(backend->waitUntilListening());
    backend->signal(SIGINT);
    openSession();
    QVERIFY(backend->isRunning());
    backend->signal(SIGTERM);
    QVERIFY(backend->waitForExit(5000));
    QCOMPARE(backend->exitCode(), 1);
}

void tst_BackendService::requestRightBehindHandshakeIsServed()
{
    QVERIFY(peer->connectBoth());
    peer->send({"OZM_SET_APP_DIR", installed->appDir(), "OZM_SET_APP_DATA_DIR", installed->dataDir()});
    QString line;
    QVERIFY(peer->readLine(line));
    peer->send({line, "OZM_INITIAL_ACTIVATION_STATE", "early", "0"});
    QVERIFY(peer->readLine(line));
    QCOMPARE(line, Accepted);
    for (LinkMessage message = peer->nextMessage(); message.name != "early"; message = peer->nextMessage())
        QVERIFY2(!message.name.isEmpty(), "no reply to the early request");
}

// Started set-uid (and not set-gid) by another user with a hostile environment, the
// backend takes root's ids, passes none of the environment to the programs it runs,
// finds them by their full paths, and creates files with a sane mask.
void tst_BackendService::setuidServiceRunsToolsInItsOwnEnvironment()
{
    backend.reset();
    const InstalledBackend setuid;
    const QString nobodysData = setuid.path("nobody");
    QDir().mkpath(nobodysData);
    for (const auto& [path, owner, mode] : {std::tuple{setuid.path(""), 0, 0755}, {setuid.appDir(), 0, 0755},
                                            {nobodysData, 65534, 0700}, {setuid.launcher(), 0, 04755}}) {
        QVERIFY(chown(QFile::encodeName(path).constData(), uid_t(owner), gid_t(owner)) == 0);
        QVERIFY(chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
    }
    const QStringList asNobody = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    const QString evil = setuid.path("evil");
    BackendProcess service(setuid, asNobody + QStringList{"/usr/bin/env", "-i", "PATH=" + evil, "QT_PLUGIN_PATH=" + evil,
                                                          "LD_LIBRARY_PATH=" + evil, "HOME=" + nobodysData,
                                                          "ASAN_OPTIONS=detect_leaks=0", "/bin/sh", "-c",
                                                          "umask 000; exec \"$0\""});
    QVERIFY2(service.waitUntilListening(), qPrintable(service.standardError()));

    // Once a session starts the backend runs the route monitor for as long as it lasts.
    QProcess client;
    client.start(asNobody.first(), asNobody.mid(1) + QStringList{QStringLiteral(OZM_LINK_CLIENT), "--stay", "--app-dir",
                                                                  setuid.appDir(), "--data-dir", nobodysData, "@wait 0"});
    const QString ip = QFileInfo("/usr/sbin/ip").canonicalFilePath();
    // Caught after its exec and before it ends: a short-lived tool may be gone between
    // two looks, so its environment and status are taken together or not at all.
    QStringList variables;
    QByteArray toolStatus;
    auto catchTool = [&] {
        const QString tool = service.childProcess();
        if (tool.isEmpty() || QFileInfo(tool + "/exe").symLinkTarget() != ip)
            return false;
        QFile environ(tool + "/environ");
        QFile status(tool + "/status");
        if (!environ.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
            return false;
        variables.clear();
        for (const QByteArray& variable : environ.readAll().split('\0'))
            variables << QString::fromUtf8(variable);
        variables.removeAll(QString());
        toolStatus = status.readAll();
        return !variables.isEmpty() && !toolStatus.isEmpty();
    };
    QTRY_VERIFY_WITH_TIMEOUT(catchTool(), 5000);
    variables.sort();
    // openvpn and its scripts run the same way: root's programs, with root's HOME.
    QCOMPARE(variables, (QStringList{"HOME=/root", "LC_ALL=C.UTF-8", "PATH=/usr/sbin:/usr/bin:/sbin:/bin"}));
    QFile status(service.procFolder() + "/status");
    QVERIFY(status.open(QIODevice::ReadOnly));
    const QByteArray serviceStatus = status.readAll();
    QVERIFY(serviceStatus.contains("\nUmask:\t0022\n"));
    // Shells and openvpn drop back to the real user id; the tools must run as root.
    QVERIFY(serviceStatus.contains("\nUid:\t0\t0\t0\t0\n"));
    QVERIFY(toolStatus.contains("\nUid:\t0\t0\t0\t0\n"));

    service.signal(SIGTERM);
    QVERIFY(service.waitForExit(5000));
    QCOMPARE(service.exitCode(), 1);
    QVERIFY(client.waitForFinished(5000));
}

OZM_NAMESPACE_TEST_MAIN(tst_BackendService, PrivateNamespaces::Options().withOwnProcesses())

#include "tst_BackendService.moc"
