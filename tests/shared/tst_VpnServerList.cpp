#include "VpnServerList.h"

#include <QtTest>

namespace {

VpnServer server(const QString& name, const QString& host)
{
    VpnServer s;
    s.name = name;
    s.host = host;
    return s;
}

VpnCluster cluster(const QString& name, const QStringList& servers)
{
    VpnCluster c;
    c.name = name;
    c.servers = servers;
    return c;
}

// Servers a1, a2 in A; b1 in B; "empty" lists only an unknown name; orphan belongs nowhere.
void fill(VpnServerList& list)
{
    list.set({server("a1", "ha1"), server("a2", "ha2"), server("b1", "hb1"), server("orphan", "ho"),
              server("blank", "")},
             {cluster("A", {"a1", "a2"}), cluster("B", {"b1", "ghost"}), cluster("Empty", {}),
              cluster("A", {"b1"})});
}

QStringList hostsOf(const QList<VpnServer>& servers)
{
    QStringList hosts;
    for (const VpnServer& s : servers)
        hosts << s.host;
    return hosts;
}

} // namespace

class tst_VpnServerList : public QObject
{
    Q_OBJECT
private slots:
    void lookups();
    void emptyHostFindsNothing();
    void serversOfCluster_data();
    void serversOfCluster();
    void closestHost_data();
    void closestHost();
    void closestHostOnEmptyList();
    void everyChangeSignals();
};

void tst_VpnServerList::lookups()
{
    VpnServerList list;
    fill(list);
    QCOMPARE(list.findByName("a2").host, QString("ha2"));
    QVERIFY(&list.findByName("nope") == &VpnServerList::nullServer);
    QCOMPARE(list.findByHost("hb1").name, QString("b1"));
    QCOMPARE(list.indexFromHost("hb1"), 2);
    QCOMPARE(list.indexFromHost("HB1"), -1);
    QCOMPARE(list.findClusterByServer(server("b1", "")).name, QString("B"));
    QVERIFY(&list.findClusterByServer(server("orphan", "ho")) == &VpnServerList::nullCluster);
    QVERIFY(list.hasCluster("Empty"));
    QVERIFY(!list.hasCluster("a"));
    QVERIFY(list.hasServer("ha1", "A"));
    QVERIFY(!list.hasServer("hb1", "A"));
    QVERIFY(list.hasServer("ho", ""));
}

void tst_VpnServerList::emptyHostFindsNothing()
{
    VpnServerList list;
    fill(list);
    QVERIFY(&list.findByHost("") == &VpnServerList::nullServer);
    QCOMPARE(list.indexFromHost(""), -1);
}

void tst_VpnServerList::serversOfCluster_data()
{
    QTest::addColumn<QString>("cluster");
    QTest::addColumn<QStringList>("hosts");
    QTest::newRow("whole list") << "" << QStringList{"ha1", "ha2", "hb1", "ho", ""};
    QTest::newRow("first of two same-named clusters") << "A" << QStringList{"ha1", "ha2"};
    QTest::newRow("unknown name skipped") << "B" << QStringList{"hb1"};
    QTest::newRow("unknown cluster") << "Z" << QStringList{};
    QTest::newRow("no servers") << "Empty" << QStringList{};
}

void tst_VpnServerList::serversOfCluster()
{
    QFETCH(QString, cluster);
    QFETCH(QStringList, hosts);
    VpnServerList list;
    fill(list);
    QCOMPARE(hostsOf(list.servers(cluster)), hosts);
}

void tst_VpnServerList::closestHost_data()
{
    QTest::addColumn<QString>("cluster");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("expected");
    QTest::newRow("host in cluster stays") << "A" << "ha2" << "ha2";
    QTest::newRow("host outside cluster replaced") << "A" << "hb1" << "ha1";
    QTest::newRow("known cluster, no host") << "B" << "" << "hb1";
    QTest::newRow("unknown cluster, known host") << "Z" << "ho" << "ho";
    QTest::newRow("unknown cluster, unknown host") << "Z" << "nowhere" << "ha1";
    QTest::newRow("no cluster, no host") << "" << "" << "ha1";
    QTest::newRow("cluster whose first name has no server") << "Empty" << "" << "";
}

void tst_VpnServerList::closestHost()
{
    QFETCH(QString, cluster);
    QFETCH(QString, host);
    QFETCH(QString, expected);
    VpnServerList list;
    fill(list);
    QCOMPARE(list.getClosestServerHost(cluster, host), expected);
}

void tst_VpnServerList::closestHostOnEmptyList()
{
    VpnServerList list;
    QCOMPARE(list.getClosestServerHost("A", "h"), QString());

    // No clusters at all: the first server of the whole list is the fallback.
    list.set({server("x", "hx"), server("y", "hy")}, {});
    QCOMPARE(list.getClosestServerHost("", ""), QString("hx"));
    QCOMPARE(list.getClosestServerHost("", "hy"), QString("hy"));

    // A first listed name that matches no server leaves the answer empty.
    list.set({server("x", "hx")}, {cluster("G", {"ghost", "x"})});
    QCOMPARE(list.getClosestServerHost("G", ""), QString());
}

void tst_VpnServerList::everyChangeSignals()
{
    VpnServerList list;
    QSignalSpy updated(&list, &VpnServerList::updated);
    fill(list);
    fill(list);
    VpnServerList copy;
    QSignalSpy copyUpdated(&copy, &VpnServerList::updated);
    copy = list;
    QCOMPARE(updated.count(), 2);
    QCOMPARE(copyUpdated.count(), 1);
    QCOMPARE(copy.allServers().size(), list.allServers().size());
    QCOMPARE(copy.clusters().size(), list.clusters().size());
}

QTEST_GUILESS_MAIN(tst_VpnServerList)
#include "tst_VpnServerList.moc"
