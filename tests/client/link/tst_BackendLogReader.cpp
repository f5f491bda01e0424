#include <BackendLogReader.h>

#include <QtTest>

using Lines = QList<QStringList>; // type, "+" for a line without a digit of its own, text

namespace {

Lines read(const QByteArray& bytes, int pieceSize)
{
    BackendLogReader reader;
    Lines lines;
    for (int from = 0; from < bytes.size(); from += pieceSize) {
        for (const BackendLogReader::Line& line : reader.feed(bytes.mid(from, pieceSize)))
            lines << QStringList{QString::number(line.type), line.continued ? "+" : "", line.text};
    }
    return lines;
}

} // namespace

class tst_BackendLogReader : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void levels_data();
    void levels();
};

void tst_BackendLogReader::lines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Lines>("expected");

    QTest::newRow("one message") << QByteArray("2went wrong\n") << Lines{{"2", "", "went wrong"}};
    QTest::newRow("continuation keeps the type and its first character")
        << QByteArray("1first\nsecond\n0next\n")
        << Lines{{"1", "", "first"}, {"1", "+", "second"}, {"0", "", "next"}};
    QTest::newRow("no message before") << QByteArray("plain\n") << Lines{{"0", "+", "plain"}};
    QTest::newRow("empty line continues") << QByteArray("3a\n\n") << Lines{{"3", "", "a"}, {"3", "+", ""}};
    QTest::newRow("zero byte cuts, nothing else is lost") << QByteArray("2abc\0def\n", 9) << Lines{{"2", "", "abc"}};
    QTest::newRow("zero byte right after the digit") << QByteArray("2\0x\n", 4) << Lines{{"2", "", ""}};
    QTest::newRow("unfinished line waits") << QByteArray("0done\n4not yet") << Lines{{"0", "", "done"}};
    QTest::newRow("UTF-8") << QByteArray("4Z\xc3\xbcrich\n") << Lines{{"4", "", "Zürich"}};
    const QByteArray endless(BackendLogReader::MaxLineBytes + 3, 'x');
    QTest::newRow("endless line in pieces")
        << "1" + endless + "\n"
        << Lines{{"1", "", QString(BackendLogReader::MaxLineBytes - 1, 'x')}, {"1", "+", "xxxx"}};
}

void tst_BackendLogReader::lines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Lines, expected);
    QCOMPARE(read(bytes, bytes.size()), expected);
    QCOMPARE(read(bytes, 1), expected);
}

void tst_BackendLogReader::levels_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("level");
    QTest::newRow("debug") << 0 << int(QtDebugMsg);
    QTest::newRow("warning") << 1 << int(QtWarningMsg);
    QTest::newRow("critical") << 2 << int(QtCriticalMsg);
    QTest::newRow("fatal") << 3 << int(QtCriticalMsg);
    QTest::newRow("info") << 4 << int(QtDebugMsg);
    QTest::newRow("unknown digit") << 9 << int(QtDebugMsg);
}

void tst_BackendLogReader::levels()
{
    QFETCH(int, type);
    QFETCH(int, level);
    QCOMPARE(int(BackendLogReader::level(type)), level);
}

QTEST_GUILESS_MAIN(tst_BackendLogReader)
#include "tst_BackendLogReader.moc"
