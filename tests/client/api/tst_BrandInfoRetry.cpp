// When the brand information is asked for again after a request that did not
// bring it: waits that double up to ten minutes, at once when the network comes
// back, and nothing once the brand data is applied.
#include "ApiTestKit.h"

#include <BrandInfoRetry.h>
#include <ClientTimeScale.h>
#include <Folders.h>
#include <coBranding.h>

#include <QDomDocument>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// 30 s become 30 ms: the longest wait is 600 ms.
constexpr double Scale = 0.001;
// Coarse timers may fire up to 5 % early.
constexpr double EarlyTolerance = 0.9;

const char* const WaitLine = "[co-branding] Asking for the brand information again in";

void applyBrand()
{
    QDomDocument reply;
    reply.setContent(QByteArrayLiteral("<result><value><brand_name>Partner</brand_name></value></result>"));
    QVERIFY(coBranding::inst()->fillByServerResponse(reply.documentElement()));
    QVERIFY(!coBranding::inst()->needUpdate());
}

// The waits announced in the log, in seconds.
QList<int> announcedWaits(const MessageCapture& log)
{
    QList<int> waits;
    for (const QString& line : log.messages())
        if (line.startsWith(QLatin1String(WaitLine)))
            waits.append(line.section(QLatin1Char(' '), -2, -2).toInt());
    return waits;
}

} // namespace

class tst_BrandInfoRetry : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase() { ClientTimeScale::setForTests(1.0); }

    void waitsDoubleUpToTenMinutes();
    void networkReturnAsksAtOnce();
    void nothingOnceApplied();

private:
    QTemporaryDir data;
};

void tst_BrandInfoRetry::initTestCase()
{
    Folders::setAppDataFolder(data.path());
}

void tst_BrandInfoRetry::init()
{
    ClientTimeScale::setForTests(Scale);
    coBranding::inst()->revertAllBrandItemsToDefValues(false);
    QVERIFY(coBranding::inst()->needUpdate());
}

void tst_BrandInfoRetry::waitsDoubleUpToTenMinutes()
{
    const QList<int> expected{30, 60, 120, 240, 480, 600, 600};
    BrandInfoRetry retry;
    QSignalSpy due(&retry, &BrandInfoRetry::retryDue);
    const MessageCapture log;
    for (int i = 0; i < expected.size(); ++i) {
        QElapsedTimer clock;
        clock.start();
        retry.requestFailed();
        QVERIFY(due.wait(20000));
        QCOMPARE(due.count(), i + 1);
        QVERIFY2(clock.elapsed() >= qint64(expected[i] * 1000 * Scale * EarlyTolerance),
                 qPrintable(QString::number(clock.elapsed())));
    }
    QCOMPARE(announcedWaits(log), expected);
}

// Unscaled: the pending wait is 30 s, the test passes long before it.
void tst_BrandInfoRetry::networkReturnAsksAtOnce()
{
    ClientTimeScale::setForTests(1.0);
    BrandInfoRetry retry;
    QSignalSpy due(&retry, &BrandInfoRetry::retryDue);
    retry.networkReturned();
    QCOMPARE(due.count(), 0);

    retry.requestFailed();
    retry.networkReturned();
    QCOMPARE(due.count(), 1);
    // That request was the retry: nothing is left pending.
    retry.networkReturned();
    QCOMPARE(due.count(), 1);

    // The waits go on growing: the network came back, the service may not have.
    const MessageCapture log;
    retry.requestFailed();
    QCOMPARE(announcedWaits(log), QList<int>{60});
}

void tst_BrandInfoRetry::nothingOnceApplied()
{
    BrandInfoRetry retry;
    QSignalSpy due(&retry, &BrandInfoRetry::retryDue);
    // A wait running when the brand arrives by another request ends silently.
    retry.requestFailed();
    applyBrand();
    QTest::qWait(200);
    QCOMPARE(due.count(), 0);

    const MessageCapture log;
    retry.requestFailed();
    retry.networkReturned();
    QTest::qWait(200);
    QCOMPARE(due.count(), 0);
    QCOMPARE(announcedWaits(log), QList<int>());

    // Brand data back to its defaults needs the service again, from the first wait.
    coBranding::inst()->revertAllBrandItemsToDefValues(false);
    retry.requestFailed();
    QVERIFY(due.wait(20000));
    QCOMPARE(announcedWaits(log), QList<int>{30});
}

QTEST_GUILESS_MAIN(tst_BrandInfoRetry)
#include "tst_BrandInfoRetry.moc"
