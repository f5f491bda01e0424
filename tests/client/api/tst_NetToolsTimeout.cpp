#include "ApiTestKit.h"

#include <DnsResponder.h>
#include <NetTools.h>
#include <PrivateNamespaces.h>

#include <QElapsedTimer>
#include <QtTest>

class tst_NetToolsTimeout : public QObject
{
    Q_OBJECT
private slots:
    void silentNameServerIsGivenUp();
};

void tst_NetToolsTimeout::silentNameServerIsGivenUp()
{
    const DnsResponder silent(QStringLiteral("127.0.0.1"), {}, DnsResponder::Silent);
    QVERIFY(silent.isRunning());
    MessageCapture log;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(NetTools::dns_resolve(QStringLiteral("service.test"), QStringLiteral("127.0.0.1")), QList<QHostAddress>());
    const qint64 elapsed = clock.elapsed();
    // A coarse timer may fire up to 5 % early; the resolver itself would ask
    // again and go on for 15 s.
    QVERIFY2(elapsed >= NetTools::DnsTimeoutMs * 95 / 100 && elapsed < NetTools::DnsTimeoutMs + 3000,
             qPrintable(QString::number(elapsed)));
    QVERIFY(log.messages().contains(QStringLiteral("NetTools::dns_resolve: failed lookup service.test from 127.0.0.1")));
}

OZM_NAMESPACE_TEST_MAIN(tst_NetToolsTimeout, PrivateNamespaces::Options())
#include "tst_NetToolsTimeout.moc"
