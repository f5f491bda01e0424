#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray Original = "# resolver of the machine\nnameserver 192.0.2.53\noptions edns0";

// Runs the shipped up script (upRuns times), then the down script, in a mount
// namespace of its own over a private /run and a private copy of /etc/resolv.conf,
// and prints /etc/resolv.conf after each step.
QByteArray runScripts(const QStringList& environment, int upRuns, QByteArray* errors)
{
    QTemporaryDir dir;
    const QString copy = dir.filePath("resolv.conf");
    QFile file(copy);
    if (!file.open(QIODevice::WriteOnly) || file.write(Original) != Original.size())
        return QByteArray();
    file.close();

    const QString up = QStringLiteral(OZM_APP_DIR "/vpn-up-mac");
    const QString down = QStringLiteral(OZM_APP_DIR "/vpn-down-mac.sh");
    QString steps = QStringLiteral("mount -t tmpfs tmpfs /run && mount --bind \"$1\" /etc/resolv.conf || exit 9\n");
    for (int run = 0; run < upRuns; ++run)
        steps += QStringLiteral("\"$2\"; cat /etc/resolv.conf; echo '|'\n");
    steps += QStringLiteral("\"$3\"; cat /etc/resolv.conf; echo '|'; ls -A /run | grep -vx mount || true\n");

    QProcess shell;
    QProcessEnvironment env;
    for (const QString& variable : environment)
        env.insert(variable.section('=', 0, 0), variable.section('=', 1));
    shell.setProcessEnvironment(env);
    shell.start(QStringLiteral("/usr/bin/unshare"),
                {"-m", "--propagation", "private", "/bin/sh", "-c", steps, "sh", copy, up, down});
    if (!shell.waitForFinished(10000) || shell.exitCode() != 0)
        return "failed: " + shell.readAllStandardError();
    *errors = shell.readAllStandardError();
    return shell.readAllStandardOutput();
}

} // namespace

class tst_vpn_scripts : public QObject
{
    Q_OBJECT
private slots:
    void dnsInstalledAndRestored_data();
    void dnsInstalledAndRestored();
};

void tst_vpn_scripts::dnsInstalledAndRestored_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<int>("upRuns");
    QTest::addColumn<QByteArray>("whileUp");

    QTest::newRow("two servers among other options")
        << QStringList{"foreign_option_1=dhcp-option DNS 10.8.0.1", "foreign_option_2=dhcp-option DOMAIN corp.example",
                       "foreign_option_3=dhcp-option DNS 10.8.0.2"}
        << 1 << QByteArray("nameserver 10.8.0.1\nnameserver 10.8.0.2\n");
    QTest::newRow("IPv6 server") << QStringList{"foreign_option_1=dhcp-option DNS fd00::53"} << 1
                                 << QByteArray("nameserver fd00::53\n");
    QTest::newRow("hostile values are dropped")
        << QStringList{"foreign_option_1=dhcp-option DNS 10.8.0.1; reboot", "foreign_option_2=dhcp-option DNS $(id)",
                       "foreign_option_3=dhcp-option DNS 10.8.0.9\nsearch evil.example", "foreign_option_4=dhcp-option DNS ",
                       "foreign_option_5=dhcp-option DNS 10.8.0.3"}
        << 1 << QByteArray("nameserver 10.8.0.3\n");
    QTest::newRow("nothing pushed leaves the file alone") << QStringList() << 1 << Original;
    QTest::newRow("second up keeps the first original")
        << QStringList{"foreign_option_1=dhcp-option DNS 10.8.0.1"} << 2 << QByteArray("nameserver 10.8.0.1\n");
}

void tst_vpn_scripts::dnsInstalledAndRestored()
{
    QFETCH(QStringList, environment);
    QFETCH(int, upRuns);
    QFETCH(QByteArray, whileUp);
    QByteArray errors;
    const QByteArray output = runScripts(environment, upRuns, &errors);

    QByteArray expected;
    for (int run = 0; run < upRuns; ++run)
        expected += whileUp + "|\n";
    // The original comes back byte for byte and the saved copy is gone.
    expected += Original + "|\n";
    QCOMPARE(output, expected);
}

QTEST_GUILESS_MAIN(tst_vpn_scripts)
#include "tst_vpn_scripts.moc"
