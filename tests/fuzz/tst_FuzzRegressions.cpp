#include "ProtocolFuzzEntry.h"

#include <QDir>
#include <QtTest>

// Replays the inputs that once broke a parser and the fuzzer's seeds through the
// fuzzer's own entry; any broken promise aborts the run.
class tst_FuzzRegressions : public QObject
{
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
};

void tst_FuzzRegressions::replay_data()
{
    QTest::addColumn<QString>("path");
    for (const char* folder : {"regressions", "seeds"}) {
        const QDir dir(QStringLiteral(OZM_FUZZ_INPUTS "/") + folder);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(QString(folder) + '/' + name)) << dir.filePath(name);
    }
}

void tst_FuzzRegressions::replay()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray input = file.readAll();
    QCOMPARE(ozmProtocolFuzzOneInput(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size())), 0);
}

QTEST_GUILESS_MAIN(tst_FuzzRegressions)
#include "tst_FuzzRegressions.moc"
