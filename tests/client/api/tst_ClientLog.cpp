#include "ApiTestKit.h"

#include <ClientLog.h>
#include <Folders.h>

#include <QRegularExpression>
#include <QThread>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

const QString Stamp = QStringLiteral(R"(\d\d-\d\d-\d\d \d\d:\d\d:\d\d,\d\d\d)");

// Numbered lines of `width` bytes, the first `firstWidth` bytes long.
QByteArray numberedLines(int count, int width, int firstWidth)
{
    QByteArray content;
    for (int i = 0; i < count; ++i) {
        const QByteArray number = QByteArray::number(i).rightJustified(8, '0');
        content += number.leftJustified((i == 0 ? firstWidth : width) - 1, '.') + '\n';
    }
    return content;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

} // namespace

class tst_ClientLog : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void lineFormat_data();
    void lineFormat();
    void echoIsNarrowUtf8();
    void fileIsTheUsersAlone();
    void oversizedFileKeepsNewestLinesAtStart_data();
    void oversizedFileKeepsNewestLinesAtStart();
    void fileStaysBoundedWhileMessagesStream();
    void onlyTheOwnerCutsTheFile();
    void concurrentMessagesGiveWholeLines();
    void tailStartsAtALine_data();
    void tailStartsAtALine();
    void missingLogGivesEmptyTail();
    void unopenableFileFallsBackToDefaultOutput();

private:
    QString logPath() const { return dir->filePath("log.txt"); }

    std::unique_ptr<QTemporaryDir> dir;
    QtMessageHandler testHandler = nullptr;
};

void tst_ClientLog::init()
{
    dir = std::make_unique<QTemporaryDir>();
    Folders::setAppDataFolder(dir->path());
    testHandler = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(testHandler);
}

void tst_ClientLog::cleanup()
{
    ClientLog::close();
    qInstallMessageHandler(testHandler);
}

void tst_ClientLog::lineFormat_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("function");
    QTest::addColumn<QString>("afterThreadId");

    const QByteArray file = "Link.cpp";
    const QByteArray function = "void Link::start()";
    QTest::newRow("debug") << int(QtDebugMsg) << "up" << file << function << " DEBUG Link.cpp void Link::start(): up";
    QTest::newRow("info") << int(QtInfoMsg) << "up" << file << function << " INFO Link.cpp void Link::start(): up";
    QTest::newRow("warning") << int(QtWarningMsg) << "up" << file << function
                             << " WARNING Link.cpp void Link::start(): up";
    QTest::newRow("critical") << int(QtCriticalMsg) << "up" << file << function
                              << " TRACE Link.cpp void Link::start(): up";
    QTest::newRow("fatal") << int(QtFatalMsg) << "up" << file << function
                           << " FATAL ERROR Link.cpp void Link::start(): up";
    QTest::newRow("error names its level") << int(QtCriticalMsg) << "ERROR VpnCtlClient: lost" << file << function
                                           << " Link.cpp void Link::start(): ERROR VpnCtlClient: lost";
    QTest::newRow("error is case-sensitive") << int(QtDebugMsg) << "Error: lost" << file << function
                                             << " DEBUG Link.cpp void Link::start(): Error: lost";
    QTest::newRow("too short for error") << int(QtDebugMsg) << "ERRO" << file << function
                                         << " DEBUG Link.cpp void Link::start(): ERRO";
    QTest::newRow("no file, no function") << int(QtDebugMsg) << "[S] VpnCtl: state" << QByteArray() << QByteArray()
                                          << " DEBUG  : [S] VpnCtl: state";
    QTest::newRow("placeholders stay") << int(QtDebugMsg) << "%1 of %2" << QByteArray("a%5.cpp") << function
                                       << " DEBUG a%5.cpp void Link::start(): %1 of %2";
    QTest::newRow("not ASCII") << int(QtDebugMsg) << QString::fromUtf8("Grüße ✓") << file << function
                               << QString::fromUtf8(" DEBUG Link.cpp void Link::start(): Grüße ✓");
}

void tst_ClientLog::lineFormat()
{
    QFETCH(int, type);
    QFETCH(QString, message);
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, function);
    QFETCH(QString, afterThreadId);
    QVERIFY(ClientLog::open(logPath()));

    const QMessageLogContext context(file.isNull() ? nullptr : file.constData(), 12,
                                     function.isNull() ? nullptr : function.constData(), "default");
    {
        StderrCapture quiet;
        dbgMsgHandler(QtMsgType(type), context, message);
    }

    const QString threadId = QString::number(quintptr(QThread::currentThreadId()));
    const QString line = QString::fromUtf8(readAll(logPath()));
    const QRegularExpression expected("^" + Stamp + " \\[" + threadId + "\\]"
                                      + QRegularExpression::escape(afterThreadId) + "\n$");
    QVERIFY2(expected.match(line).hasMatch(), qPrintable(line));
}

// One wide write would orient stderr, and every later narrow write to it would
// vanish, Qt's own and the C library's alike.
void tst_ClientLog::echoIsNarrowUtf8()
{
    QVERIFY(ClientLog::open(logPath()));
    StderrCapture err;
    qDebug() << QString::fromUtf8("Grüße ✓");
    std::fputs("narrow after\n", stderr);
    QCOMPARE(err.bytes(), QByteArray("\"Grüße ✓\"\nnarrow after\n"));
}

void tst_ClientLog::fileIsTheUsersAlone()
{
    QVERIFY(ClientLog::open(logPath()));
    QCOMPARE(modeOf(logPath()), 0600);
    ClientLog::close();

    writeFile(logPath(), "left by an earlier version\n", 0644);
    QVERIFY(ClientLog::open(logPath()));
    QCOMPARE(modeOf(logPath()), 0600);
}

void tst_ClientLog::oversizedFileKeepsNewestLinesAtStart_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("firstWidth");
    QTest::addColumn<int>("firstKept");

    QTest::newRow("at the limit") << 32000 << 32 << 32 << 0;
    // Half of 1,024,001 is cut off: what is left begins at line 16000.
    QTest::newRow("one byte over") << 32000 << 32 << 33 << 16000;
    // The newest half begins inside line 17500, which goes with the older half.
    QTest::newRow("half begins inside a line") << 35001 << 30 << 30 << 17501;
}

void tst_ClientLog::oversizedFileKeepsNewestLinesAtStart()
{
    QFETCH(int, lines);
    QFETCH(int, width);
    QFETCH(int, firstWidth);
    QFETCH(int, firstKept);
    const QByteArray content = numberedLines(lines, width, firstWidth);
    writeFile(logPath(), content, 0600);

    QVERIFY(ClientLog::open(logPath()));

    const QByteArray kept = readAll(logPath());
    QCOMPARE(kept, content.mid(content.indexOf(QByteArray::number(firstKept).rightJustified(8, '0'))));
    QVERIFY(kept.size() <= ClientLog::SizeLimit);
    QCOMPARE(modeOf(logPath()), 0600);
}

void tst_ClientLog::fileStaysBoundedWhileMessagesStream()
{
    QVERIFY(ClientLog::open(logPath()));
    StderrCapture quiet;
    const QString filler(10000, QLatin1Char('x'));
    for (int i = 0; i < 300; ++i) {
        qDebug().noquote() << i << filler;
        QVERIFY2(QFileInfo(logPath()).size() <= ClientLog::SizeLimit, qPrintable(QString::number(i)));
    }
    const QList<QByteArray> lines = readAll(logPath()).split('\n');
    QVERIFY(lines.at(lines.size() - 2).contains(" DEBUG  : 299 xxx"));
    QCOMPARE(modeOf(logPath()), 0600);
}

// A second start writes into the running client's log before it learns that it
// is one; it appends and leaves the cutting to the client that owns the file.
void tst_ClientLog::onlyTheOwnerCutsTheFile()
{
    const QByteArray content = numberedLines(32000, 32, 33);
    writeFile(logPath(), content, 0600);
    QVERIFY(ClientLog::open(logPath(), ClientLog::Bounds::LeaveToOwner));
    StderrCapture quiet;
    qDebug("second start");
    const QByteArray appended = readAll(logPath());
    QVERIFY(appended.startsWith(content));
    QVERIFY(appended.endsWith("second start\n"));

    ClientLog::keepBounded();
    const QByteArray kept = readAll(logPath());
    QVERIFY(kept.size() <= ClientLog::SizeLimit);
    QVERIFY(kept.endsWith("second start\n"));
}

void tst_ClientLog::concurrentMessagesGiveWholeLines()
{
    const int threads = 8;
    const int messages = 2000;
    QVERIFY(ClientLog::open(logPath()));
    {
        StderrCapture quiet;
        std::vector<std::unique_ptr<QThread>> writers;
        for (int t = 0; t < threads; ++t) {
            writers.emplace_back(QThread::create([t] {
                for (int m = 0; m < messages; ++m)
                    qDebug("t%d m%d %s", t, m, QByteArray(100, char('a' + t)).constData());
            }));
            writers.back()->start();
        }
        for (auto& writer : writers)
            QVERIFY(writer->wait(60000));
    }

    const QByteArray content = readAll(logPath());
    QVERIFY(content.endsWith('\n'));
    QVERIFY(content.size() <= ClientLog::SizeLimit);
    const QRegularExpression whole("^" + Stamp + R"( \[\d+\] DEBUG  : t(\d) m(\d+) ([a-h])\3{99}$)");
    QVector<int> next(threads, -1);
    const QList<QByteArray> lines = content.left(content.size() - 1).split('\n');
    for (const QByteArray& line : lines) {
        const QRegularExpressionMatch match = whole.match(QString::fromLatin1(line));
        QVERIFY2(match.hasMatch(), line.constData());
        const int t = match.captured(1).toInt();
        const int m = match.captured(2).toInt();
        QVERIFY(m > next[t]);
        next[t] = m;
    }
    for (int t = 0; t < threads; ++t)
        QCOMPARE(next[t], messages - 1);
}

void tst_ClientLog::tailStartsAtALine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("tail");

    const QByteArray small = "first line\n" + QByteArray(88, 'y') + '\n';
    QTest::newRow("small file, first line kept") << small << small;
    const QByteArray aligned = numberedLines(20000, 32, 32);  // 640,000 bytes
    QTest::newRow("offset on a line start") << aligned << aligned.right(ClientLog::TailSize);
    // 600,000 bytes: the offset falls 22 bytes into line 2523.
    const QByteArray shifted = numberedLines(20000, 30, 30);
    QTest::newRow("offset inside a line") << shifted << shifted.mid(2524 * 30);
    QTest::newRow("text ends at a zero byte") << QByteArray("one\ntwo\0three\n", 14) << QByteArray("one\ntwo");
}

void tst_ClientLog::tailStartsAtALine()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, tail);
    writeFile(logPath(), content);
    QCOMPARE(ClientLog::tail(), QString::fromUtf8(tail));
}

void tst_ClientLog::missingLogGivesEmptyTail()
{
    MessageCapture messages;
    QCOMPARE(ClientLog::tail(), QString());
    QCOMPARE(messages.messages(), QStringList{"Failed to open log.txt"});
}

void tst_ClientLog::unopenableFileFallsBackToDefaultOutput()
{
    StderrCapture err;
    ClientLog::open(dir->filePath("missing/log.txt"));
    QVERIFY(!ClientLog::isOpen());
    QCOMPARE(err.bytes(), QByteArray("Failed to create log file.\n"));
    const QtMessageHandler current = qInstallMessageHandler(nullptr);
    QVERIFY(current != dbgMsgHandler);
}

QTEST_GUILESS_MAIN(tst_ClientLog)

#include "tst_ClientLog.moc"
