#include <PrivateNamespaces.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <sys/stat.h>

namespace {
const QByteArray ValidId = "abcdefgh+ijklmno/pqrstu=";
const QByteArray Previous = "previous subscription\n";
const QRegularExpression Stamp(QStringLiteral("^\\d\\d-\\d\\d-\\d{4} \\d\\d-\\d\\d-\\d\\d "));
} // namespace

// The partner utility as the partner runs it: its own program in a private
// installation, the service's host mapped to loopback by a private hosts file.
class tst_PartnerUtility : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void invalidCommandLine_data();
    void invalidCommandLine();
    void unreachableServiceKeepsPreviousFile();
    void logLinesAreAppended();

private:
    int run(const QStringList& arguments);
    QList<QByteArray> logLines() const;
    QString subscriptionFile() const { return root->filePath("Ozmira/Contents/bin/subscription_tmp"); }

    std::unique_ptr<QTemporaryDir> root;
    // Where the service would be: nothing may reach it unless the test says so.
    std::unique_ptr<QTcpServer> service;
};

void tst_PartnerUtility::init()
{
    QVERIFY(PrivateNamespaces::renewNetwork());
    root = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(root->path()).mkpath("Ozmira/Contents/bin"));
    QVERIFY(QDir(root->path()).mkpath("Ozmira/Contents/Resources/certs"));
    QVERIFY(QFile::copy(QStringLiteral(OZM_YEB_UTIL), root->filePath("Ozmira/Contents/bin/ozm_yeb_util")));
    QFile previous(subscriptionFile());
    QVERIFY(previous.open(QIODevice::WriteOnly));
    previous.write(Previous);
    previous.close();
    service = std::make_unique<QTcpServer>();
}

int tst_PartnerUtility::run(const QStringList& arguments)
{
    QProcess utility;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_DATA_HOME");
    env.insert("HOME", root->filePath("home"));
    utility.setProcessEnvironment(env);
    utility.setProcessChannelMode(QProcess::ForwardedChannels);
    utility.start(root->filePath("Ozmira/Contents/bin/ozm_yeb_util"), arguments);
    if (!utility.waitForStarted())
        return -100;
    // The loop runs meanwhile, so the listener below takes what the utility sends.
    if (!QTest::qWaitFor([&] { return utility.state() == QProcess::NotRunning; }, 120000))
        return -100;
    return utility.exitStatus() == QProcess::NormalExit ? utility.exitCode() : -101;
}

QList<QByteArray> tst_PartnerUtility::logLines() const
{
    QFile log(root->filePath("home/.local/share/Ozmira/yeb_util_log.txt"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = log.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void tst_PartnerUtility::invalidCommandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no identifier") << QStringList{"anything"};
    QTest::newRow("23 characters") << QStringList{"anything", QString(23, 'a')};
    QTest::newRow("25 characters") << QStringList{"anything", QString(25, 'a')};
}

void tst_PartnerUtility::invalidCommandLine()
{
    QFETCH(QStringList, arguments);
    QVERIFY(service->listen(QHostAddress::LocalHost, 443));
    QCOMPARE(run(arguments), 255);
    const QList<QByteArray> lines = logLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(Stamp.match(QString::fromUtf8(lines.first())).hasMatch(), lines.first().constData());
    QVERIFY(lines.first().endsWith(" Invalid command line."));
    QVERIFY(!service->hasPendingConnections());
    QCOMPARE(QFile(subscriptionFile()).size(), qint64(Previous.size()));
}

// Nothing listens where the service should be: no HTTP status, so 0.
void tst_PartnerUtility::unreachableServiceKeepsPreviousFile()
{
    QCOMPARE(run({"anything", QString::fromLatin1(ValidId)}), 255);
    const QList<QByteArray> lines = logLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).endsWith(" Downloading subscription info for id: " + ValidId));
    QVERIFY2(lines.at(1).contains(" http_error = 0 : "), lines.at(1).constData());
    QFile file(subscriptionFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), Previous);
}

void tst_PartnerUtility::logLinesAreAppended()
{
    QCOMPARE(run({"anything"}), 255);
    QCOMPARE(run({"again", "x"}), 255);
    const QList<QByteArray> lines = logLines();
    QCOMPARE(lines.size(), 2);
    for (const QByteArray& line : lines)
        QVERIFY(Stamp.match(QString::fromUtf8(line)).hasMatch());
}

OZM_NAMESPACE_TEST_MAIN(tst_PartnerUtility,
                        PrivateNamespaces::Options()
                            .withOwnProcesses()
                            .withFile("/etc/hosts", "127.0.0.1 localhost api.ozmira.net\n")
                            .withFile("/etc/nsswitch.conf", "hosts: files\n"))
#include "tst_PartnerUtility.moc"
