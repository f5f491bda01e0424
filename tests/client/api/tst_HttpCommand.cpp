#include "ApiTestKit.h"
#include "HttpTestKit.h"

#include <ClientLog.h>
#include <HttpAccess.h>
#include <HttpCommandCode.h>
#include <HttpResponse.h>
#include <StandInService.h>

#include <QMetaEnum>
#include <QtTest>

#include <climits>
#include <memory>

namespace {

// How long a test waits for an answer that should come at once: room for a loaded
// machine under the sanitizers, never a measure of speed.
const int AnswerWaitMs = 30000;

QByteArray nested(int depth)
{
    return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

// Each entity ten times the one before: a few hundred bytes that expand to 10^9.
QByteArray entityExpansion()
{
    QByteArray dtd = "<!DOCTYPE r [<!ENTITY e0 \"xxxxxxxxxx\">";
    for (int i = 1; i < 9; ++i)
        dtd += "<!ENTITY e" + QByteArray::number(i) + " \"" + ("&e" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    return dtd + "]><r>&e8;</r>";
}

} // namespace

class tst_HttpCommand : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void freshCommand();
    void codeNames_data();
    void codeNames();
    void envelope_data();
    void envelope();
    void transportFailuresAreRetried_data();
    void transportFailuresAreRetried();
    void executeAgain_data();
    void executeAgain();
    void delaysNeitherWrapNorTurnNegative();
    void attemptTimeoutLogsAndRetries();
    void hostileReplies_data();
    void hostileReplies();
    void secretsStayOutOfTheLog();

private:
    std::unique_ptr<StandInService> service;
    std::unique_ptr<HttpAccess> access;
};

void tst_HttpCommand::initTestCase()
{
    service = std::make_unique<StandInService>();
    QVERIFY(service->isRunning());
    const QString mobile = HttpCommand::MobilePath;
    service->addCommand(QStringLiteral("GET"), mobile, QStringLiteral("probe"), {"act", "fmt"});
    service->addCommand(QStringLiteral("POST"), mobile, QStringLiteral("probe_post"), {}, {"act", "fmt"});
    service->addCommand(QStringLiteral("GET"), mobile, QStringLiteral("probe_secrets"),
                        {"act", "email", "encrypted_password", "fmt", "password", "serial", "token"});
    access = std::make_unique<HttpAccess>(service->url());
}

void tst_HttpCommand::init()
{
    service->reset();
}

void tst_HttpCommand::cleanup()
{
    QCOMPARE(service->violations(), QStringList());
    QTRY_COMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
}

void tst_HttpCommand::freshCommand()
{
    ProbeCommand command;
    QCOMPARE(command.commandName(), QStringLiteral("probe"));
    QCOMPARE(command.error(), -1);
    QVERIFY(command.qtErrorString().isEmpty());
    QVERIFY(!command.isSuccess());
    QCOMPARE(command.resultCode(), -1);
}

void tst_HttpCommand::codeNames_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("-1") << -1 << QByteArray("NoResultCode");
    QTest::newRow("-2") << -2 << QByteArray("BadResultCode");
    QTest::newRow("701, three e's") << 701 << QByteArray("ProfileSucceess");
    QTest::newRow("1514") << 1514 << QByteArray("API_CODE_SETUP_CONNECTION_WRONG_SETTING_FORMAT");
    QTest::newRow("401 after 2011") << 401 << QByteArray("ControlPageTokenCreated");
    QTest::newRow("1947") << 1947 << QByteArray("ServicesSetFormatError");
}

void tst_HttpCommand::codeNames()
{
    QFETCH(int, value);
    const QMetaEnum codes = QMetaEnum::fromType<HttpCommandCode::CommandCode>();
    QCOMPARE(codes.keyCount(), 50);
    QTEST(QByteArray(codes.valueToKey(value)), "name");
}

void tst_HttpCommand::envelope_data()
{
    QTest::addColumn<QString>("act");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("readXmlAnswer");
    QTest::addColumn<bool>("completed");
    QTest::addColumn<bool>("success");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("readXmlCalls");

    const QString probe = QStringLiteral("probe");
    QTest::newRow("one child result") << probe
        << QByteArray("<root><result><code>712</code><status>error</status><statusmsg>Expired</statusmsg></result></root>")
        << true << true << false << 712 << "Expired" << QStringList{"result"};
    QTest::newRow("root as the result") << probe
        << QByteArray("<reply><code>1501</code><status>success</status><data>x</data></reply>")
        << true << true << true << 1501 << "" << QStringList{"reply"};
    QTest::newRow("result among others: the root") << probe
        << QByteArray("<reply><result><code>5</code></result><other/></reply>")
        << true << true << true << -1 << "" << QStringList{"reply"};
    QTest::newRow("RESULT in capitals: empty xml") << probe
        << QByteArray("<reply><RESULT><code>5</code></RESULT></reply>")
        << true << false << false << -1 << "" << QStringList();
    QTest::newRow("code 12a") << probe << QByteArray("<r><code>12a</code></r>")
        << true << true << true << -2 << "" << QStringList{"r"};
    QTest::newRow("empty code") << probe << QByteArray("<r><code/></r>")
        << true << true << true << -1 << "" << QStringList{"r"};
    QTest::newRow("SUCCESS in capitals") << probe << QByteArray("<r><status>SUCCESS</status><message>m</message></r>")
        << true << true << true << -1 << "m" << QStringList{"r"};
    QTest::newRow("empty status with a message") << probe << QByteArray("<r><status></status><message>m</message></r>")
        << true << true << true << -1 << "" << QStringList{"r"};
    QTest::newRow("statusmsg over message, even empty") << probe
        << QByteArray("<r><code>914</code><status>fail</status><statusmsg/><message>m</message></r>")
        << true << true << false << 914 << "" << QStringList{"r"};
    QTest::newRow("message without statusmsg") << probe << QByteArray("<r><status>fail</status><message>m</message></r>")
        << true << true << false << -1 << "m" << QStringList{"r"};
    QTest::newRow("completed says what readXml says") << probe << QByteArray("<r><code>0</code></r>")
        << false << false << true << 0 << "" << QStringList{"r"};
    QTest::newRow("not XML") << probe << QByteArray("<r>") << true << false << false << -1 << "" << QStringList();
    QTest::newRow("POST command") << "probe_post" << QByteArray("<r><code>0</code></r>")
        << true << true << true << 0 << "" << QStringList{"r"};
}

void tst_HttpCommand::envelope()
{
    QFETCH(QString, act);
    QFETCH(QByteArray, reply);
    QFETCH(bool, readXmlAnswer);
    const bool post = act == QLatin1String("probe_post");
    service->reply(StandInReply(QString(), HttpCommand::MobilePath).act(act).xml(reply));

    ProbeCommand command(act, post);
    command.readXmlAnswer = readXmlAnswer;
    QSignalSpy completed(&command, &HttpCommand::completed);
    MessageCapture log;
    command.execute(access.get());
    QVERIFY(completed.wait(AnswerWaitMs));
    QTEST(completed[0][0].toBool(), "completed");
    QTEST(command.isSuccess(), "success");
    QTEST(command.resultCode(), "code");
    QTEST(command.resultText(), "text");
    QTEST(command.readXmlCalls, "readXmlCalls");
    QCOMPARE(log.messages().contains(QStringLiteral("Empty xml received")), reply.contains("RESULT"));
    const QList<StandInRequest> received = service->requests();
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0].method, QByteArray(post ? "POST" : "GET"));
}

void tst_HttpCommand::transportFailuresAreRetried_data()
{
    QTest::addColumn<bool>("closeEarly");
    QTest::addColumn<uint>("maxRetries");
    QTest::newRow("HTTP 500") << false << 5u;
    QTest::newRow("connection closed mid-body") << true << 5u;
    QTest::newRow("no retries") << false << 0u;
}

void tst_HttpCommand::transportFailuresAreRetried()
{
    QFETCH(bool, closeEarly);
    QFETCH(uint, maxRetries);
    StandInReply failure(QString(), HttpCommand::MobilePath);
    if (closeEarly)
        failure.xml("<r><code>0</code></r>").closeEarly();
    else
        failure.status(500).xml("<r><code>0</code></r>");
    service->reply(failure);

    ProbeCommand command;
    command.setupRetries(maxRetries, 50, 40);
    QSignalSpy completed(&command, &HttpCommand::completed);
    QList<uint> retries;
    QList<qint64> retriedAt;
    QElapsedTimer clock;
    clock.start();
    connect(&command, &HttpCommand::retried, this, [&](uint number) {
        retries << number;
        retriedAt << clock.elapsed();
    });
    command.execute(access.get());
    QVERIFY(completed.wait(20000));
    QCOMPARE(completed.count(), 1);
    QCOMPARE(completed[0][0].toBool(), false);
    QCOMPARE(service->requests().size(), int(maxRetries) + 1);
    QList<uint> expected;
    for (uint i = 1; i <= maxRetries; ++i)
        expected << i;
    QCOMPARE(retries, expected);
    // Each retry waits its delay before the attempt that fails into the next
    // (less the 5 % a coarse timer may fire early).
    for (int i = 1; i < retriedAt.size(); ++i) {
        const qint64 gap = retriedAt[i] - retriedAt[i - 1];
        QVERIFY2(gap >= (50 + 40 * (i - 1)) * 95 / 100, qPrintable(QString::number(gap)));
    }
    QVERIFY(!command.isSuccess());
    QCOMPARE(command.resultCode(), -1);
    QVERIFY(command.error() != 0);
}

void tst_HttpCommand::executeAgain_data()
{
    QTest::addColumn<bool>("whileRetryWaits");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QList<int>>("retries");
    QTest::addColumn<int>("completions");
    QTest::newRow("after completion: full retries again") << false << 6 << QList<int>{1, 2, 1, 2} << 2;
    // A retry left over from the first run would cut into the second run's attempt.
    QTest::newRow("while a retry waits: that retry is off") << true << 3 << QList<int>{1, 1} << 1;
}

void tst_HttpCommand::executeAgain()
{
    QFETCH(bool, whileRetryWaits);
    service->reply(StandInReply(QString(), HttpCommand::MobilePath).status(500).delay(whileRetryWaits ? 600 : 0));
    service->reply(StandInReply(QString(), HttpCommand::MobilePath).status(500).times(1));
    ProbeCommand command;
    if (whileRetryWaits)
        command.setupRetries(1, 300, 0);
    else
        command.setupRetries(2, 10, 10);
    QSignalSpy completed(&command, &HttpCommand::completed);
    QList<int> retries;
    connect(&command, &HttpCommand::retried, this, [&retries](uint number) { retries << int(number); });
    command.execute(access.get());
    QVERIFY(whileRetryWaits ? QSignalSpy(&command, &HttpCommand::retried).wait() : completed.wait(AnswerWaitMs));
    command.execute(access.get());
    QVERIFY(completed.wait(AnswerWaitMs));
    QTEST(service->requests().size(), "requests");
    QTEST(retries, "retries");
    QTEST(completed.count(), "completions");
}

void tst_HttpCommand::delaysNeitherWrapNorTurnNegative()
{
    service->reply(StandInReply(QString(), HttpCommand::MobilePath).status(500));
    ProbeCommand command;
    command.setupRetries(3, 10, UINT_MAX);
    QSignalSpy retried(&command, &HttpCommand::retried);
    command.execute(access.get());
    QTRY_COMPARE(retried.count(), 2);
    QTest::qWait(300);
    QCOMPARE(service->requests().size(), 2);
}

void tst_HttpCommand::attemptTimeoutLogsAndRetries()
{
    service->reply(StandInReply(QString(), HttpCommand::MobilePath).stall());
    ProbeCommand command;
    command.setupRetries(1, 10, 0);
    command.setAttemptTimeout(200);
    QSignalSpy completed(&command, &HttpCommand::completed);
    QSignalSpy retried(&command, &HttpCommand::retried);
    MessageCapture log;
    command.execute(access.get());
    QVERIFY(completed.wait(AnswerWaitMs));
    QCOMPARE(completed[0][0].toBool(), false);
    QCOMPARE(retried.count(), 1);
    QCOMPARE(log.messages().count(QStringLiteral("Command probe failed by timeout. Possible network issue.")), 2);
    QCOMPARE(command.error(), int(QNetworkReply::OperationCanceledError));
}

void tst_HttpCommand::hostileReplies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("generated");
    QTest::addColumn<bool>("completed");
    QTest::addColumn<int>("attempts");

    QTest::newRow("entity expansion") << entityExpansion() << qint64(0) << false << 1;
    QTest::newRow("external DTD") << QByteArray("<!DOCTYPE r SYSTEM \"http://127.0.0.1:9/r.dtd\"><r/>") << qint64(0) << false << 1;
    QTest::newRow("100,000 levels") << nested(100000) << qint64(0) << false << 1;
    QTest::newRow("65 levels") << nested(65) << qint64(0) << false << 1;
    QTest::newRow("64 levels pass") << nested(64) << qint64(0) << true << 1;
    QTest::newRow("not XML") << QByteArray("\x00\x01garbage", 9) << qint64(0) << false << 1;
    // Transport failures: retried.
    QTest::newRow("beyond 4 MiB") << QByteArray() << HttpAccess::DefaultReplyLimit + 1 << false << 2;
    QTest::newRow("without end") << QByteArray() << qint64(-1) << false << 2;
}

// A reply no service would send ends the command promptly, whatever it holds.
void tst_HttpCommand::hostileReplies()
{
    QFETCH(QByteArray, body);
    QFETCH(qint64, generated);
    StandInReply reply(QString(), HttpCommand::MobilePath);
    service->reply(generated ? reply.generated(generated) : reply.xml(body));

    ProbeCommand command;
    command.setupRetries(1, 10, 0);
    QSignalSpy completed(&command, &HttpCommand::completed);
    QElapsedTimer clock;
    clock.start();
    command.execute(access.get());
    QVERIFY(completed.wait(10000));
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    QTEST(completed[0][0].toBool(), "completed");
    QCOMPARE(command.readXmlCalls.size(), completed[0][0].toBool() ? 1 : 0);
    QTEST(service->requests().size(), "attempts");
    QCOMPARE(HttpResponse::current_unfinished_responses.loadAcquire(), 0);
}

void tst_HttpCommand::secretsStayOutOfTheLog()
{
    const QStringList secrets{"Pw-7Qz!secret", "EncPw-9e", "SER-4242-XYZ", "Tok-abc-777", "vpn-user-5511",
                              "vpn-pass-8822", "SER-REPLY-9", "tok-reply-3", "tok-url-4", "enc-reply-6"};
    service->reply(StandInReply(QString(), HttpCommand::MobilePath).xml(
        "<r><status>success</status><username>vpn-user-5511</username><password>vpn-pass-8822</password>"
        "<serial>SER-REPLY-9</serial><token>tok-reply-3</token><encrypted_password>enc-reply-6</encrypted_password>"
        "<url>https://h/c?a=1&amp;token=tok-url-4</url></r>"));
    service->reply(StandInReply(QString(), HttpCommand::MobilePath).redirect(HttpCommand::MobilePath.toUtf8()).times(1));

    QTemporaryDir data;
    const QString logPath = data.filePath(QStringLiteral("log.txt"));
    const QtMessageHandler testHandler = qInstallMessageHandler(nullptr);
    QVERIFY(ClientLog::open(logPath));
    ProbeCommand command(QStringLiteral("probe_secrets"), false,
                         {{"email", "a+b@x.org"}, {"password", secrets[0]}, {"encrypted_password", secrets[1]},
                          {"serial", secrets[2]}, {"token", secrets[3]}});
    QSignalSpy completed(&command, &HttpCommand::completed);
    command.execute(access.get());
    const bool done = completed.wait();
    ClientLog::close();
    qInstallMessageHandler(testHandler);
    QVERIFY(done);
    QVERIFY(command.isSuccess());

    QFile file(logPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(file.readAll());
    for (const QString& secret : secrets)
        QVERIFY2(!log.contains(secret), qPrintable(secret));
    for (const char* line : {"=====> Requesting", "Redirected to:", "<===== Response:", "password=***", "<token>***</token>"})
        QVERIFY2(log.contains(QLatin1String(line)), line);

    // The service still gets them as they are.
    const QList<StandInRequest> received = service->requests();
    QCOMPARE(received.size(), 2);
    QVERIFY(received[1].rawQuery().contains("email=a%2Bb@x.org"));
    QVERIFY(received[1].query.contains({QStringLiteral("password"), secrets[0]}));
    QVERIFY(received[1].query.contains({QStringLiteral("email"), QStringLiteral("a+b@x.org")}));
}

QTEST_GUILESS_MAIN(tst_HttpCommand)
#include "tst_HttpCommand.moc"
