#include "EndToEndTest.h"

#include <LinkProtocol.h>

#include <QtTest>

namespace Request = LinkProtocol::Request;

// A second backend started while the first waits for its client cannot take the
// port: it says so and leaves, and the first one serves the session as usual.
class tst_EndToEndDoubleStart : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndDoubleStart()
        : EndToEndTest(Start::BedOnly)
    {
    }

private slots:
    void secondBackendLeavesTheFirstAlone();
};

void tst_EndToEndDoubleStart::secondBackendLeavesTheFirstAlone()
{
    TestBed& bed = session->bed();
    session->startBackend();
    QVERIFY(session->backendPrinted(QStringLiteral("BackendService: Service started: 127.0.0.1:10014")));
    QProcess second;
    second.setProcessChannelMode(QProcess::MergedChannels);
    bed.start(second, bed.appDir() + QStringLiteral("/ozm_launch"));
    QVERIFY(second.waitForFinished(10000));
    const QString output = QString::fromLocal8Bit(second.readAll());
    QVERIFY2(output.contains(QLatin1String("2BackendService: Service start fail:")), qPrintable(output));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    const QString error = session->openLink();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    LinkSession& link = session->link();
    link.request(QLatin1String(Request::InitialActivationState));
    QVERIFY(link.waitForReply(QLatin1String(Request::InitialActivationState)));
    QVERIFY(session->activateAndWait());
    link.close();
    QCOMPARE(session->backendExitCode(), 0);
    QVERIFY(session->tunnelGone());
}

QTEST_GUILESS_MAIN(tst_EndToEndDoubleStart)
#include "tst_EndToEndDoubleStart.moc"
