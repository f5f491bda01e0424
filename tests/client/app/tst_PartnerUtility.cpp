#include <PrivateNamespaces.h>
#include <StandInService.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QByteArray ValidId = "abcdefgh+ijklmno/pqrstu=";
const QByteArray Previous = "previous subscription\n";
const QByteArray Subscription = "{\"email\":\"partner.user@example.org\"}";
const QString Query = QStringLiteral("/mobile/licMobile");
const QString Act = QStringLiteral("get_email_by_id_base64");
const QRegularExpression Stamp(QStringLiteral("^\\d\\d-\\d\\d-\\d{4} \\d\\d-\\d\\d-\\d\\d "));
constexpr int UtilityEndMs = 180000;

// The utility knows only the service's own address: the stand-in takes its port.
void onServicePort(QProcess& process, const QString& program, const QStringList& arguments)
{
    process.start(program, arguments + QStringList{QStringLiteral("--https-port"), QStringLiteral("443")});
}
} // namespace

// The partner utility as the partner runs it: its own program in a private
// installation, the service's host mapped to loopback by a private hosts file,
// where the stand-in service listens when a case wants it.
class tst_PartnerUtility : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void invalidCommandLine_data();
    void invalidCommandLine();
    void subscriptionIsFetched_data();
    void subscriptionIsFetched();
    void httpErrorKeepsPreviousFile();
    void unreachableServiceKeepsPreviousFile();
    void silentServiceTimesOut();
    void logLinesAreAppended();

private:
    // The stand-in on the service's port, trusted by the installation.
    bool startService();
    int run(const QStringList& arguments);
    QList<QByteArray> logLines() const;
    QByteArray subscription() const;
    QString subscriptionFile() const { return root->filePath("Ozmira/Contents/bin/subscription_tmp"); }

    std::unique_ptr<QTemporaryDir> root;
    std::unique_ptr<StandInService> service;
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
}

void tst_PartnerUtility::cleanup()
{
    if (service)
        QCOMPARE(service->violations(), QStringList());
    service.reset();
    root.reset();
}

bool tst_PartnerUtility::startService()
{
    service = std::make_unique<StandInService>(onServicePort);
    return service->isRunning() && service->port() == 443
           && QFile::copy(service->appFolder() + "/certs/test-ca.pem",
                          root->filePath("Ozmira/Contents/Resources/certs/test-ca.pem"));
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
    if (!utility.waitForFinished(UtilityEndMs))
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

QByteArray tst_PartnerUtility::subscription() const
{
    QFile file(subscriptionFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
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
    QVERIFY(startService());
    QCOMPARE(run(arguments), 255);
    const QList<QByteArray> lines = logLines();
    QCOMPARE(lines.size(), 1);
    QVERIFY2(Stamp.match(QString::fromUtf8(lines.first())).hasMatch(), lines.first().constData());
    QVERIFY(lines.first().endsWith(" Invalid command line."));
    QCOMPARE(service->connections(StandInService::Https), 0);
    QCOMPARE(subscription(), Previous);
}

void tst_PartnerUtility::subscriptionIsFetched_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("subscription") << Subscription;
    QTest::newRow("empty body") << QByteArray();
}

// The service's answer replaces the file byte for byte; the id travels encoded,
// so that the service reads back exactly the id it gave out.
void tst_PartnerUtility::subscriptionIsFetched()
{
    QFETCH(QByteArray, body);
    QVERIFY(startService());
    service->reply(StandInReply("GET", Query).act(Act).header("Content-Type", "application/json").body(body));

    QCOMPARE(run({"anything", QString::fromLatin1(ValidId), "ignored"}), 0);
    QCOMPARE(subscription(), body);

    const QList<StandInRequest> requests = service->requests();
    QCOMPARE(requests.size(), 1);
    const StandInRequest& request = requests.first();
    QCOMPARE(request.port, QString("https"));
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.target, QByteArray("/mobile/licMobile?act=get_email_by_id_base64&appid=PC-YEBLIF00001&id="
                                        "abcdefgh%2Bijklmno%2Fpqrstu%3D"));
    QCOMPARE(request.query.last(), qMakePair(QString("id"), QString::fromLatin1(ValidId)));
    QCOMPARE(request.header("accept"), QByteArray("application/json"));
    QCOMPARE(request.header("User-Agent"), QByteArray("YEB OZM util"));
    QCOMPARE(request.header("Host"), QByteArray("api.ozmira.net"));

    const QList<QByteArray> lines = logLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).endsWith(" Downloading subscription info for id: " + ValidId));
    QVERIFY(lines.at(1).endsWith(" download done."));
}

void tst_PartnerUtility::httpErrorKeepsPreviousFile()
{
    QVERIFY(startService());
    service->reply(StandInReply("GET", Query).act(Act).status(404).body("no such id"));
    QCOMPARE(run({"anything", QString::fromLatin1(ValidId)}), 255);
    const QList<QByteArray> lines = logLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(1).contains(" http_error = 404 : ") && lines.at(1).size() > lines.at(1).indexOf(" : ") + 3,
             lines.at(1).constData());
    QCOMPARE(subscription(), Previous);
}

// Nothing listens where the service should be: no HTTP status, so 0.
void tst_PartnerUtility::unreachableServiceKeepsPreviousFile()
{
    QCOMPARE(run({"anything", QString::fromLatin1(ValidId)}), 255);
    const QList<QByteArray> lines = logLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(0).endsWith(" Downloading subscription info for id: " + ValidId));
    QVERIFY2(lines.at(1).contains(" http_error = 0 : "), lines.at(1).constData());
    QCOMPARE(subscription(), Previous);
}

// A service that takes the request and never answers does not hold the partner's
// program for ever.
void tst_PartnerUtility::silentServiceTimesOut()
{
    QVERIFY(startService());
    service->reply(StandInReply("GET", Query).act(Act).stall());
    QCOMPARE(run({"anything", QString::fromLatin1(ValidId)}), 255);
    const QList<QByteArray> lines = logLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(1).contains(" http_error = 0 : "), lines.at(1).constData());
    QCOMPARE(service->requests().size(), 1);
    QCOMPARE(subscription(), Previous);
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
