#include "ApiTestKit.h"
#include "HttpTestKit.h"

#include <HttpAccess.h>
#include <StandInService.h>

#include <QtTest>

// The real attempt time-out, which the other command tests shorten.
class tst_HttpCommandTimeout : public QObject
{
    Q_OBJECT
private slots:
    void attemptEndsAfterFifteenSeconds();
};

void tst_HttpCommandTimeout::attemptEndsAfterFifteenSeconds()
{
    StandInService service;
    QVERIFY(service.isRunning());
    service.addCommand(QStringLiteral("GET"), HttpCommand::MobilePath, QStringLiteral("probe"), {"act", "fmt"});
    service.reply(StandInReply(QString(), HttpCommand::MobilePath).stall());
    HttpAccess access(service.url());
    ProbeCommand command;
    command.setupRetries(0, 0, 0);
    QSignalSpy completed(&command, &HttpCommand::completed);
    MessageCapture log;
    QElapsedTimer clock;
    clock.start();
    command.execute(&access);
    QVERIFY(completed.wait(HttpCommand::AttemptTimeoutMs + 10000));
    // A coarse timer may fire up to 5 % early.
    QVERIFY2(clock.elapsed() >= HttpCommand::AttemptTimeoutMs * 95 / 100, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(completed[0][0].toBool(), false);
    QVERIFY(log.messages().contains(QStringLiteral("Command probe failed by timeout. Possible network issue.")));
    QCOMPARE(service.violations(), QStringList());
}

QTEST_GUILESS_MAIN(tst_HttpCommandTimeout)
#include "tst_HttpCommandTimeout.moc"
