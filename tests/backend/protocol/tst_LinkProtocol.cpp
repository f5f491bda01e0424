#include "LinkProtocol.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

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
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("reported");

    const QByteArray text = "Fri Dec 10 Z\xc3\xbcrich: AUTH_FAILED \xe2\x9c\x93\n";
    QTest::newRow("non-ASCII log") << "file" << text << text;
    QTest::newRow("empty log") << "file" << QByteArray() << QByteArray();
    QTest::newRow("no log") << "missing" << text << QByteArray();
    const QByteArray head(1000, 'h');
    const QByteArray tail(LinkProtocol::MaxReportedLogBytes, 't');
    QTest::newRow("long log keeps its end") << "file" << head + tail << tail;
    // The backend reads as root from a folder the user controls.
    QTest::newRow("symbolic link") << "symlink" << text << QByteArray();
    QTest::newRow("second hard link") << "hardlink" << text << QByteArray();
    QTest::newRow("FIFO") << "fifo" << text << QByteArray();
    QTest::newRow("folder") << "folder" << text << QByteArray();
}

void tst_LinkProtocol::errorReport()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, reported);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString log = dir.filePath("openvpn.log");
    const QString elsewhere = dir.filePath("secret");
    QFile target(kind == "file" ? log : elsewhere);
    QVERIFY(target.open(QIODevice::WriteOnly));
    QCOMPARE(target.write(content), qint64(content.size()));
    target.close();

    if (kind == "symlink")
        QVERIFY(QFile::link(elsewhere, log));
    else if (kind == "hardlink")
        QCOMPARE(::link(QFile::encodeName(elsewhere).constData(), QFile::encodeName(log).constData()), 0);
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(log).constData(), 0600), 0);
    else if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir("openvpn.log"));

    QCOMPARE(LinkProtocol::errorReport("vpn1.example.net", log),
             "vpn1.example.net:opnevpn_log:" + QString::fromLatin1(reported.toBase64()));
}

QTEST_GUILESS_MAIN(tst_LinkProtocol)
#include "tst_LinkProtocol.moc"
