#include "LogCapture.h"
#include "VpnServerListBackend.h"

#include <QtTest>

namespace {

using FailureTable = QMap<QString, QPair<int, int>>;

// "A:a1,a2;B:b1" lists clusters with the hosts of their servers; a server's name is
// its host with "n-" in front, so a mix-up of names and hosts shows.
void fill(VpnServerListBackend& list, const QString& layout)
{
    QList<VpnServer> servers;
    QList<VpnCluster> clusters;
    for (const QString& part : layout.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        VpnCluster cluster;
        cluster.name = part.section(QLatin1Char(':'), 0, 0);
        for (const QString& host : part.section(QLatin1Char(':'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            VpnServer server;
            server.name = "n-" + host;
            server.host = host;
            servers << server;
            cluster.servers << server.name;
        }
        clusters << cluster;
    }
    list.set(servers, clusters);
}

const QString TwoAndOne = QStringLiteral("A:a1,a2;B:b1");
const QString ThreeClusters = QStringLiteral("A:a1,a2;B:b1;C:c1");

} // namespace

class tst_VpnServerListBackend : public QObject
{
    Q_OBJECT
private slots:
    void nextServer_data();
    void nextServer();
    void failureTable_data();
    void failureTable();
    void positionOutsideTheList();
};

void tst_VpnServerListBackend::nextServer_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("failed");
    QTest::addColumn<QString>("cluster");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("limit of three") << TwoAndOne << QStringList{"a1", "x", "y"} << "" << ""
                                    << "VPN re-connection: limit(= 3 ) of the failed vpn instances is reached so vpn reconnection was breaked";
    QTest::newRow("limit also with a cluster set") << ThreeClusters << QStringList{"a1", "b1", "c1"} << "A" << "" << "limit(= 3 )";
    QTest::newRow("cluster set: next of it") << TwoAndOne << QStringList{"a1"} << "A" << "a2"
                                            << "VPN re-connection: find next available instance in the cluster = A";
    QTest::newRow("cluster set: exhausted, others ignored") << TwoAndOne << QStringList{"a1", "a2"} << "A" << "" << "";
    QTest::newRow("cluster set: hosts compared exactly") << TwoAndOne << QStringList{"A1"} << "A" << "a1" << "";
    QTest::newRow("stale cluster name") << TwoAndOne << QStringList{"a1"} << "Z" << "" << "cluster = Z";
    QTest::newRow("no cluster: one failure keeps the cluster") << TwoAndOne << QStringList{"a1"} << "" << "a2"
                                                              << "VPN re-connection: cluster is not set, clarify it";
    QTest::newRow("no cluster: two failures move on") << TwoAndOne << QStringList{"a1", "a2"} << "" << "b1" << "cluster = B";
    QTest::newRow("no cluster, nothing failed: first server") << TwoAndOne << QStringList() << "" << "a1" << "";
    QTest::newRow("only server of its cluster failed") << ThreeClusters << QStringList{"b1"} << "" << "c1" << "";
    QTest::newRow("clusters after the failure come first") << ThreeClusters << QStringList{"a1", "b1"} << "" << "c1" << "";
    QTest::newRow("backward when nothing follows") << ThreeClusters << QStringList{"b1", "c1"} << "" << "a1" << "";
    QTest::newRow("no acceptable cluster") << "B:b1;C:c1" << QStringList{"b1", "c1"} << ""
                                           << "" << "VPN re-connection: next cluster for re-connection was not found";
    QTest::newRow("unknown failed host") << TwoAndOne << QStringList{"zz"} << "" << "" << "";
    QTest::newRow("empty list") << "" << QStringList() << "" << "" << "";
}

void tst_VpnServerListBackend::nextServer()
{
    QFETCH(QString, layout);
    QFETCH(QStringList, failed);
    QFETCH(QString, cluster);
    QFETCH(QString, expected);
    QFETCH(QString, logLine);
    VpnServerListBackend list;
    fill(list, layout);
    LogCapture log;
    const VpnServer next = list.findNextServerForReconnection(failed, cluster);
    QCOMPARE(next.host, expected);
    if (expected.isEmpty())
        QVERIFY(next == VpnServerList::nullServer);
    else
        QCOMPARE(next.name, "n-" + expected);
    if (!logLine.isEmpty())
        QVERIFY2(log.contains(logLine), qPrintable(log.messages().join('\n')));
}

void tst_VpnServerListBackend::failureTable_data()
{
    QTest::addColumn<QStringList>("failed");
    QTest::addColumn<FailureTable>("expected");
    QTest::newRow("one failure") << QStringList{"a1"} << FailureTable{{"A", {1, 2}}};
    QTest::newRow("two in one cluster") << QStringList{"a1", "a2"} << FailureTable{{"A", {2, 2}}};
    QTest::newRow("single-server cluster") << QStringList{"c1"} << FailureTable{{"C", {1, 1}}};
    QTest::newRow("mixed") << QStringList{"a1", "b1", "a1"} << FailureTable{{"A", {2, 2}}, {"B", {1, 1}}};
    QTest::newRow("unknown host counts under no name") << QStringList{"zz"} << FailureTable{{"", {1, 4}}};
}

void tst_VpnServerListBackend::failureTable()
{
    QFETCH(QStringList, failed);
    QFETCH(FailureTable, expected);
    VpnServerListBackend list;
    fill(list, ThreeClusters);
    QCOMPARE(list.createClusterListByFailedHosts(failed), expected);
}

void tst_VpnServerListBackend::positionOutsideTheList()
{
    VpnServerListBackend list;
    fill(list, ThreeClusters);
    QCOMPARE(list.getNextClusterDueToFailedServersAndClusters(-1, {}), QString());
    QCOMPARE(list.getNextClusterDueToFailedServersAndClusters(4, {}), QString());
    QCOMPARE(list.getNextClusterDueToFailedServersAndClusters(3, {}), QStringLiteral("C"));
}

QTEST_GUILESS_MAIN(tst_VpnServerListBackend)
#include "tst_VpnServerListBackend.moc"
