#include "FakeManagementPeer.h"
#include "LogCapture.h"
#include "OpenvpnSandbox.h"
#include "TestFiles.h"
#include "VpnMgmt.h"
#include "VpnProcessKiller.h"
#include "openvpn_manager.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

const char OwnNetnsVariable[] = "OZM_TEST_IN_OWN_NETNS";

bool writeScript(const QString& path, const QByteArray& content)
{
    return TestFiles::write(path, content)
        && QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

// Drives the system's openvpn through the launcher, the management client and the
// killer. The whole test runs in a network namespace of its own (see main()), so the
// fixed management port and anything openvpn does stay there.
class tst_RealOpenvpn : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void managementDialogueAndStop();
};

void tst_RealOpenvpn::initTestCase()
{
    QVERIFY(qEnvironmentVariableIsSet(OwnNetnsVariable));
    QVERIFY(run("/usr/sbin/ip", {"link", "set", "lo", "up"}));
}

void tst_RealOpenvpn::managementDialogueAndStop()
{
    OpenvpnSandbox sandbox(QStringLiteral("/usr/sbin/openvpn"));
    QVERIFY(sandbox.isValid());
    // The tunnel never comes up here, so the scripts only have to exist.
    QVERIFY(writeScript(sandbox.appFile("vpn-up-mac"), "#!/bin/sh\nexit 0\n"));
    QVERIFY(writeScript(sandbox.appFile("vpn-down-mac.sh"), "#!/bin/sh\nexit 0\n"));
    QTemporaryDir keys;
    QVERIFY(run("/usr/bin/openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                     "-nodes", "-keyout", keys.filePath("ca.key"), "-out", sandbox.appFile("cachain.pem"),
                                     "-days", "2", "-subj", "/CN=ozm-test-ca"}));
    // Stands for the VPN server: takes the TCP connection and never answers.
    FakeManagementPeer server;
    QVERIFY(server.listen(1195));

    LogCapture log;
    QCOMPARE(openvpn_manager::start(QStringLiteral("127.0.0.1"), true), 0);
    VpnMgmt mgmt;
    QSignalSpy states(&mgmt, &VpnMgmt::vpnState);
    mgmt.setAuth(QStringLiteral("u"), QStringLiteral("p"));
    mgmt.start(QLatin1String(openvpn_manager::ovpnManagementAddr), openvpn_manager::ovpnManagementPort);

    QTRY_VERIFY_WITH_TIMEOUT(log.contains("VPN message: >INFO:"), 8000);
    // openvpn takes the credentials only over the management interface...
    QTRY_VERIFY_WITH_TIMEOUT(log.contains("VPN state: SUCCESS: 'Auth' password entered"), 8000);
    // ...then connects to the server and, with state notifications on, tells so.
    QVERIFY(server.waitForConnection(8000));
    QTRY_VERIFY_WITH_TIMEOUT(log.contains("VPN message: >STATE:"), 8000);
    QVERIFY(!states.isEmpty());
    QCOMPARE(states.first().first().value<VpnState>(), VpnState::Connecting);

    const QByteArray pid = TestFiles::read(sandbox.dataFile("openvpn.pid"));
    QVERIFY(pid.trimmed().toInt() > 0);
    // openvpn serves one management client at a time.
    mgmt.stop();
    VpnProcessKiller killer;
    QSignalSpy finished(&killer, &VpnProcessKiller::killAttemptFinish);
    killer.killOpenVpnProcess(QLatin1String(openvpn_manager::ovpnManagementAddr), openvpn_manager::ovpnManagementPort);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(log.contains("VpnProcessKiller: OpenVPN process stoped by socket"));
    QVERIFY(sandbox.processes().isEmpty());
    // openvpn removes its pid file as it ends; nothing of it is left in its place.
    QVERIFY(!QFile::exists(sandbox.dataFile("openvpn.pid")));
    QVERIFY(TestFiles::read(sandbox.dataFile("openvpn.log")).contains("SIGTERM"));
}

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet(OwnNetnsVariable)) {
        // Run again inside a fresh network namespace; it vanishes with the test.
        ::setenv(OwnNetnsVariable, "1", 1);
        char self[4096];
        const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
        if (length <= 0)
            return 1;
        self[length] = '\0';
        std::vector<char*> arguments{const_cast<char*>("/usr/bin/unshare"), const_cast<char*>("-n"),
                                     const_cast<char*>("--"), self};
        arguments.insert(arguments.end(), argv + 1, argv + argc);
        arguments.push_back(nullptr);
        ::execv(arguments.front(), arguments.data());
        std::perror("unshare");
        return 1;
    }
    QCoreApplication app(argc, argv);
    tst_RealOpenvpn test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_RealOpenvpn.moc"
