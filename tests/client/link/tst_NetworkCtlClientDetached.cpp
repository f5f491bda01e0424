// The network state client with no backend behind it, fed reports directly.
#include "LinkTestKit.h"

#include <NetworkCtlClient.h>
#include <Ozm.h>

#include <QtTest>

namespace {

const QStringList Wifi{"0", "0", "1", "Unencrypted wireless", "Caf\u00e9", "1", "1", "1"};
const QStringList Initial{"1", "0", "0", "Unknown connection type", "", "0", "0", "0"};


} // namespace

class tst_NetworkCtlClientDetached : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { NetworkCtlClient::dropInstance(); }

    void madeWithoutLink();
    void reports_data();
    void reports();
};

void tst_NetworkCtlClientDetached::madeWithoutLink()
{
    QVERIFY(!Ozm::inst());
    NetworkCtlClient* const network = NetworkCtlClient::initDetachedInstance(this);
    QVERIFY(network);
    QCOMPARE(NetworkCtlClient::inst(), network);
    QCOMPARE(NetworkCtlClient::initDetachedInstance(this), network);
    QCOMPARE(heldNetworkReport(), Initial);
}

void tst_NetworkCtlClientDetached::reports_data()
{
    QTest::addColumn<QStringList>("report");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("unreadable");
    QTest::newRow("wifi") << Wifi << Wifi << false;
    QTest::newRow("garbled number") << QStringList{"0", "x", "1", "Wired connection", "", "0", "1", "0"} << Initial
                                    << true;
    QTest::newRow("empty, as from a lost link") << QStringList() << Initial << true;
}

// Each report is signalled; the same network once more as the current one.
void tst_NetworkCtlClientDetached::reports()
{
    QFETCH(QStringList, report);
    QFETCH(QStringList, expected);
    QFETCH(bool, unreadable);
    NetworkCtlClient* const network = NetworkCtlClient::initDetachedInstance(this);
    QSignalSpy changed(network, &NetworkCtlClient::localConnectionIsChanged);
    QSignalSpy current(network, &NetworkCtlClient::currentNetworkChanged);
    if (unreadable)
        QTest::ignoreMessage(QtWarningMsg,
                             "NetworkCtlClient: unreadable network report, taken as no Internet connection");
    network->takeReport(report);
    QCOMPARE(heldNetworkReport(), expected);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(current.count(), expected == Initial ? 1 : 0);
    network->takeReport(expected);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(current.count(), expected == Initial ? 2 : 1);
}

QTEST_GUILESS_MAIN(tst_NetworkCtlClientDetached)
#include "tst_NetworkCtlClientDetached.moc"
