#include "ApiTestKit.h"

#include <FakeHostFacts.h>
#include <HostProbes.h>
#include <LinuxHostFacts.h>
#include <SystemFunctions.h>

#include <QtTest>

#include <functional>

namespace {

using Files = QMap<QString, QByteArray>;

const QByteArray MachineId = "0123456789abcdef0123456789abcdef\n";
// HMAC-SHA256 keyed with MachineId's bytes over the product key, as computed
// apart from the client.
const QString MachineUuid = "EB4AB077-09BB-4EE0-9284-0E4EC2B9F500";
const QByteArray OtherMachineId = "5f1c2e3d4b5a69788796a5b4c3d2e1f0";
const QString OtherMachineUuid = "84BB3294-25E9-46AA-AB31-7EBC58E64478";

const QMap<QString, std::function<QString()>> Probes = {
    {"uuid", [] { return GetPlatformUUID(); }},
    {"serial", GetSystemSerialNumber},
    {"model", GetModelIdentifier},
    {"board", GetBoardSerial},
    {"os line", GetOSVersion},
    {"os name", ozm::getOSVersion},
    {"domain", GetSystemDomain},
    {"safari", GetSafaryVersion},
    {"firefox", GetFirefoxVersion},
    {"chrome", GetChromeVersion},
    {"antivirus", GetAntivirusVersion},
};

} // namespace

Q_DECLARE_METATYPE(Files)

class tst_HostProbes : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void factsFromFiles_data();
    void factsFromFiles();
    void machineIdIsNeverLogged();
    void cleaners_data();
    void cleaners();
    void programs_data();
    void programs();
    void programsComeFromTheSearchPath();
};

void tst_HostProbes::cleanup()
{
    setHostFacts(nullptr);
}

void tst_HostProbes::factsFromFiles_data()
{
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("expected");

    const QByteArray debian = "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
                              "VERSION_ID=\"12\"\nID=debian\n";
    const Files kernel = {{"proc/sys/kernel/osrelease", "6.1.0-18-amd64\n"}};
    const auto withKernel = [&kernel](Files files) {
        files.insert(kernel);
        return files;
    };

    QTest::newRow("uuid from the machine id") << Files{{"etc/machine-id", MachineId}} << "uuid" << MachineUuid;
    QTest::newRow("uuid from the D-Bus id") << Files{{"var/lib/dbus/machine-id", MachineId}} << "uuid" << MachineUuid;
    QTest::newRow("uuid, machine id first")
        << Files{{"etc/machine-id", MachineId}, {"var/lib/dbus/machine-id", OtherMachineId}} << "uuid" << MachineUuid;
    QTest::newRow("uuid, uninitialized")
        << Files{{"etc/machine-id", "uninitialized\n"}} << "uuid" << "";
    QTest::newRow("uuid, uninitialized, D-Bus id")
        << Files{{"etc/machine-id", "uninitialized\n"}, {"var/lib/dbus/machine-id", OtherMachineId}} << "uuid"
        << OtherMachineUuid;
    QTest::newRow("uuid, empty") << Files{{"etc/machine-id", ""}} << "uuid" << "";
    QTest::newRow("uuid, too short") << Files{{"etc/machine-id", MachineId.left(31)}} << "uuid" << "";
    QTest::newRow("uuid, not hex") << Files{{"etc/machine-id", "0123456789abcdef0123456789abcdeg"}} << "uuid" << "";
    QTest::newRow("uuid, no id") << Files{} << "uuid" << "";

    QTest::newRow("serial") << Files{{"sys/class/dmi/id/product_serial", " \"PF2<AB>7\" \n"}} << "serial" << "PF2AB7";
    QTest::newRow("model") << Files{{"sys/class/dmi/id/product_name", "ThinkPad X1 Carbon\n"}} << "model"
                           << "ThinkPad X1 Carbon";
    QTest::newRow("board") << Files{{"sys/class/dmi/id/board_serial", "L1HF\n"}} << "board" << "L1HF";
    QTest::newRow("no DMI, serial") << Files{} << "serial" << "";
    QTest::newRow("no DMI, model") << Files{} << "model" << "";
    QTest::newRow("no DMI, board") << Files{} << "board" << "";

    QTest::newRow("os line") << withKernel(Files{{"etc/os-release", debian}}) << "os line"
                             << "Debian GNU/Linux 12 6.1.0-18-amd64";
    QTest::newRow("os line from /usr/lib")
        << withKernel(Files{{"usr/lib/os-release", "NAME='Arch\tLinux'\n# VERSION_ID=1\n"}}) << "os line"
        << "Arch Linux 6.1.0-18-amd64";
    QTest::newRow("os line, /etc first")
        << withKernel(Files{{"etc/os-release", "NAME=Fedora\nVERSION_ID=40\n"}, {"usr/lib/os-release", debian}})
        << "os line" << "Fedora 40 6.1.0-18-amd64";
    QTest::newRow("os line, kernel only") << kernel << "os line" << "6.1.0-18-amd64";

    QTest::newRow("os name") << Files{{"etc/os-release", debian}} << "os name" << "Debian GNU/Linux 12 (bookworm)";
    QTest::newRow("os name, escapes")
        << Files{{"etc/os-release", R"(PRETTY_NAME="Our \"Linux\" \$5 \\ edition")"}} << "os name"
        << R"(Our "Linux" $5 \ edition)";
    QTest::newRow("os name without pretty name")
        << Files{{"etc/os-release", "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"}} << "os name"
        << "Debian GNU/Linux 12";
    QTest::newRow("os name unknown") << Files{} << "os name" << "An unknown and currently unsupported platform";

    QTest::newRow("domain") << Files{{"proc/sys/kernel/hostname", "laptop.example.net\n"}} << "domain"
                            << "laptop.example.net";
}

void tst_HostProbes::factsFromFiles()
{
    QFETCH(Files, files);
    QFETCH(QString, probe);
    QFETCH(QString, expected);
    QTemporaryDir root;
    for (auto file = files.cbegin(); file != files.cend(); ++file)
        writeFile(root.filePath(file.key()), file.value());
    LinuxHostFacts machine(root.path());
    setHostFacts(&machine);
    QCOMPARE(Probes.value(probe)(), expected);
}

void tst_HostProbes::machineIdIsNeverLogged()
{
    FakeHostFacts machine;
    machine.id = QByteArray::fromHex(MachineId);
    setHostFacts(&machine);
    MessageCapture log;
    QCOMPARE(GetPlatformUUID(true), MachineUuid);
    QCOMPARE(log.messages(), QStringList{"GetPlatformUUID cmd output:\n" + MachineUuid});
}

void tst_HostProbes::cleaners_data()
{
    QTest::addColumn<QString>("cleaner");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("dequote") << "dequote" << "<\"MacBookPro14,1\">" << "MacBookPro14,1";
    QTest::newRow("dequote, nothing to do") << "dequote" << "plain 'text'" << "plain 'text'";
    QTest::newRow("despace") << "despace" << "a\t\tb   c" << "a b c";
    QTest::newRow("despace, ends stay") << "despace" << "  a  " << " a ";
    QTest::newRow("denewline") << "denewline" << "\nGoogle Chrome 120\n\n" << "Google Chrome 120";
    QTest::newRow("denewline keeps returns") << "denewline" << "a\r\nb" << "a\rb";
}

void tst_HostProbes::cleaners()
{
    QFETCH(QString, cleaner);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QMap<QString, std::function<QString(QString)>> cleaners = {
        {"dequote", dequote}, {"despace", despace}, {"denewline", denewline}};
    QCOMPARE(cleaners.value(cleaner)(text), expected);
}

void tst_HostProbes::programs_data()
{
    QTest::addColumn<QVariantMap>("installed");
    QTest::addColumn<QString>("probe");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("started");

    const QVariantMap none;
    QTest::newRow("no firefox") << none << "firefox" << "" << QStringList();
    QTest::newRow("firefox") << QVariantMap{{"firefox", "Mozilla Firefox 126.0\n"}, {"firefox-esr", "ESR"}}
                             << "firefox" << "Mozilla Firefox 126.0" << QStringList{"firefox --version"};
    QTest::newRow("firefox-esr") << QVariantMap{{"firefox-esr", "Mozilla Firefox 115.9.1esr\n"}} << "firefox"
                                 << "Mozilla Firefox 115.9.1esr" << QStringList{"firefox-esr --version"};
    QTest::newRow("no chrome") << none << "chrome" << "none" << QStringList();
    QTest::newRow("chrome") << QVariantMap{{"google-chrome", "Google Chrome\n124.0\n"}, {"chromium", "Chromium"}}
                            << "chrome" << "Google Chrome124.0" << QStringList{"google-chrome --version"};
    QTest::newRow("chromium") << QVariantMap{{"chromium", "Chromium 120.0.6099.224 built on Debian 12.4\n"}}
                              << "chrome" << "Chromium 120.0.6099.224 built on Debian 12.4"
                              << QStringList{"chromium --version"};
    QTest::newRow("chrome says nothing") << QVariantMap{{"google-chrome", "\n"}} << "chrome" << "none"
                                         << QStringList{"google-chrome --version"};
    QTest::newRow("safari") << QVariantMap{{"safari", "17.0"}} << "safari" << "" << QStringList();
    QTest::newRow("no antivirus") << none << "antivirus" << "none" << QStringList();
    QTest::newRow("clamav") << QVariantMap{{"clamscan", "ClamAV 1.0.5/27237/Mon Apr 15 10:27:40 2024\n"}}
                            << "antivirus" << "Clam:ClamAV 1.0.5/27237/Mon Apr 15 10:27:40 2024\n; "
                            << QStringList{"clamscan --version"};
    QTest::newRow("clamav says nothing") << QVariantMap{{"clamscan", ""}} << "antivirus" << "none"
                                         << QStringList{"clamscan --version"};
}

void tst_HostProbes::programs()
{
    QFETCH(QVariantMap, installed);
    QFETCH(QString, probe);
    QFETCH(QString, expected);
    QFETCH(QStringList, started);
    FakeHostFacts machine;
    for (auto program = installed.cbegin(); program != installed.cend(); ++program)
        machine.programs.insert(program.key(), program.value().toString());
    setHostFacts(&machine);

    QCOMPARE(Probes.value(probe)(), expected);
    QCOMPARE(machine.started, started);
}

// A program that is not there is looked for, not started: starting it would only
// fail and log.
void tst_HostProbes::programsComeFromTheSearchPath()
{
    QTemporaryDir bin;
    writeScript(bin.filePath("firefox-esr"), "echo \"Mozilla Firefox $1\"");
    writeFile(bin.filePath("google-chrome"), "not a program", 0644);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()));
    LinuxHostFacts machine;
    setHostFacts(&machine);
    MessageCapture log;

    QCOMPARE(GetFirefoxVersion(), QString("Mozilla Firefox --version"));
    QCOMPARE(GetChromeVersion(), QString("none"));
    QCOMPARE(GetAntivirusVersion(), QString("none"));
    qputenv("PATH", path);
    QCOMPARE(log.messages(), QStringList());
}

QTEST_GUILESS_MAIN(tst_HostProbes)
#include "tst_HostProbes.moc"
