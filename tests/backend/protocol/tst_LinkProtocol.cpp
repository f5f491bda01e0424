#include "LinkProtocol.h"

#include <QtTest>

class tst_LinkProtocol : public QObject
{
    Q_OBJECT
private slots:
    void lists_data();
    void lists();
    void errorReport_data();
    void errorReport();
};

void tst_LinkProtocol::lists_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<bool>("joinsBack");

    QTest::newRow("two records") << "<a/><<<>>><b/>" << QStringList{"<a/>", "<b/>"} << true;
    QTest::newRow("one record") << "<a/>" << QStringList{"<a/>"} << true;
    QTest::newRow("empty list") << "" << QStringList() << true;
    QTest::newRow("empty parts dropped") << "<<<>>><a/><<<>>><<<>>><b/><<<>>>" << QStringList{"<a/>", "<b/>"} << false;
    QTest::newRow("separator fragments stay") << "a<<<>>b" << QStringList{"a<<<>>b"} << true;
}

void tst_LinkProtocol::lists()
{
    QFETCH(QString, text);
    QFETCH(QStringList, records);
    QFETCH(bool, joinsBack);

    QCOMPARE(LinkProtocol::splitList(text), records);
    if (joinsBack)
        QCOMPARE(LinkProtocol::joinList(records), text);
}

void tst_LinkProtocol::errorReport_data()
{
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<QByteArray>("reported");

    const QByteArray text = "Fri Dec 10 Z\xc3\xbcrich: AUTH_FAILED \xe2\x9c\x93\n";
    QTest::newRow("non-ASCII log") << text << text;
    QTest::newRow("empty log") << QByteArray() << QByteArray();
    const QByteArray head(1000, 'h');
    const QByteArray tail(LinkProtocol::MaxReportedLogBytes, 't');
    QTest::newRow("long log keeps its end") << head + tail << tail;
}

void tst_LinkProtocol::errorReport()
{
    QFETCH(QByteArray, log);
    QFETCH(QByteArray, reported);

    QCOMPARE(LinkProtocol::errorReport("vpn1.example.net", log),
             "vpn1.example.net:opnevpn_log:" + QString::fromLatin1(reported.toBase64()));
}

QTEST_GUILESS_MAIN(tst_LinkProtocol)
#include "tst_LinkProtocol.moc"
