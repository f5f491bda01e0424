#include "VpnCluster.h"
#include "VpnServer.h"

#include <QtTest>

Q_DECLARE_METATYPE(VpnServer)

class tst_VpnRecords : public QObject
{
    Q_OBJECT
private slots:
    void serverText_data();
    void serverText();
    void serverRoundTrip();
    void serverDropsLineFeeds();
    void serverRejects_data();
    void serverRejects();
    void serverReadsChildrenByPosition();
    void clusterText();
    void clusterServersSplit_data();
    void clusterServersSplit();
    void clusterListText();
    void compareByHosts_data();
    void compareByHosts();
};

static VpnServer server(const QString& name, const QString& host, const QString& city = {},
                        const QString& country = {}, const QString& state = {})
{
    VpnServer s;
    s.name = name;
    s.host = host;
    s.city = city;
    s.country = country;
    s.state = state;
    return s;
}

void tst_VpnRecords::serverText_data()
{
    QTest::addColumn<VpnServer>("server");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all fields") << server("n1", "h1.example", "Oslo", "NO", "Oslo")
                                << "<?xml version=\"1.0\"?><VpnServer><name>n1</name><host>h1.example</host>"
                                   "<city>Oslo</city><country>NO</country><state>Oslo</state></VpnServer>";
    QTest::newRow("empty fields") << VpnServer()
                                  << "<?xml version=\"1.0\"?><VpnServer><name></name><host></host><city></city>"
                                     "<country></country><state></state></VpnServer>";
    QTest::newRow("escaped") << server("a<b", "h&1", "\"q\"", ">", "t\tr")
                             << "<?xml version=\"1.0\"?><VpnServer><name>a&lt;b</name><host>h&amp;1</host>"
                                "<city>&quot;q&quot;</city><country>&gt;</country><state>t\tr</state></VpnServer>";
}

void tst_VpnRecords::serverText()
{
    QFETCH(VpnServer, server);
    QFETCH(QString, expected);
    QCOMPARE(server.toString(), expected);
}

void tst_VpnRecords::serverRoundTrip()
{
    const VpnServer original = server("név", "10.0.0.1", "Zürich & <co>", "CH", "ZH\t");
    QCOMPARE(VpnServer::fromString(original.toString()), original);
}

void tst_VpnRecords::serverDropsLineFeeds()
{
    const QString text = server("n", "h", "New\nYork").toString();
    QVERIFY(!text.contains('\n'));
    QCOMPARE(VpnServer::fromString(text).city, QString("NewYork"));
}

void tst_VpnRecords::serverRejects_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("cluster root") << VpnCluster().toString();
    QTest::newRow("version 1.1") << "<?xml version=\"1.1\"?><VpnServer><name>n</name></VpnServer>";
    QTest::newRow("no declaration") << "<VpnServer><name>n</name></VpnServer>";
    QTest::newRow("comment before root") << "<?xml version=\"1.0\"?><!--x--><VpnServer><name>n</name></VpnServer>";
    QTest::newRow("garbage") << "not xml at all";
    QTest::newRow("empty") << "";
}

void tst_VpnRecords::serverRejects()
{
    QFETCH(QString, text);
    QCOMPARE(VpnServer::fromString(text), VpnServer());
}

void tst_VpnRecords::serverReadsChildrenByPosition()
{
    const QString renamed = "<?xml version=\"1.0\"?><VpnServer><a>n</a><b>h</b><c>city</c></VpnServer>";
    QCOMPARE(VpnServer::fromString(renamed), server("n", "h", "city"));

    const QString malformedMiddle = "<?xml version=\"1.0\"?><VpnServer><a>n</a><b>h</x><c>city</c></VpnServer>";
    QCOMPARE(VpnServer::fromString(malformedMiddle), server("n", "h"));
}

void tst_VpnRecords::clusterText()
{
    VpnCluster cluster;
    cluster.name = "A";
    cluster.description = "Europe";
    cluster.country = "EU";
    cluster.servers = QStringList{"a1", "a2"};
    QCOMPARE(cluster.toString(),
             QString("<?xml version=\"1.0\"?><VpnCluster><name>A</name><description>Europe</description>"
                     "<country>EU</country><servers>a1&lt;separator&gt;a2</servers></VpnCluster>"));
    QCOMPARE(VpnCluster::fromString(cluster.toString()), cluster);
}

void tst_VpnRecords::clusterServersSplit_data()
{
    QTest::addColumn<QString>("serversText");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("two") << "a1&lt;separator&gt;a2" << QStringList{"a1", "a2"};
    QTest::newRow("leading separator") << "&lt;separator&gt;a1&lt;separator&gt;a2" << QStringList{"a1", "a2"};
    QTest::newRow("double separator") << "a1&lt;separator&gt;&lt;separator&gt;a2" << QStringList{"a1", "a2"};
    QTest::newRow("none") << "" << QStringList{};
}

void tst_VpnRecords::clusterServersSplit()
{
    QFETCH(QString, serversText);
    QFETCH(QStringList, expected);
    const QString text = "<?xml version=\"1.0\"?><VpnCluster><name>A</name><description/><country/><servers>"
                         + serversText + "</servers></VpnCluster>";
    QCOMPARE(VpnCluster::fromString(text).servers, expected);
}

void tst_VpnRecords::clusterListText()
{
    VpnCluster a;
    a.name = "A";
    a.description = "first";
    a.country = "x";
    a.servers = QStringList{"a1"};
    const QString text = clusterListToString({a, VpnCluster()});
    QCOMPARE(text, QString("<?xml version=\"1.0\"?><clusters><cluster><name>A</name><description>first</description>"
                           "<country>x</country></cluster><cluster><name></name><description></description>"
                           "<country></country></cluster></clusters>"));
}

void tst_VpnRecords::compareByHosts_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("matches");
    QTest::newRow("in list, mode 0") << 0 << "h1" << true;
    QTest::newRow("other, mode 0") << 0 << "h2" << false;
    QTest::newRow("case differs, mode 0") << 0 << "H1" << false;
    QTest::newRow("in list, mode 1") << 1 << "h1" << false;
    QTest::newRow("other, mode 1") << 1 << "h2" << true;
}

void tst_VpnRecords::compareByHosts()
{
    QFETCH(int, mode);
    QFETCH(QString, host);
    QFETCH(bool, matches);
    QCOMPARE(VpnServer::CompareByHosts("h1", mode)(server("n", host)), matches);
}

QTEST_GUILESS_MAIN(tst_VpnRecords)
#include "tst_VpnRecords.moc"
