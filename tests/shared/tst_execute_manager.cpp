#include "execute_manager.h"

#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

class tst_execute_manager : public QObject
{
    Q_OBJECT
private slots:
    void exitCodeAndOutput_data();
    void exitCodeAndOutput();
    void missingProgramFailsAtOnce();
    void detachedStart();
    void hangingProgramIsKilledAfterLimit();
    void usableFromAnotherThread();
};

void tst_execute_manager::exitCodeAndOutput_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::newRow("plain") << "echo hello" << 0 << "hello\n";
    QTest::newRow("non-zero exit still ran") << "echo bye; exit 3" << 3 << "bye\n";
    QTest::newRow("cut at NUL") << "printf 'abc\\000def'" << 0 << "abc";
    QTest::newRow("utf-8") << "printf '\\303\\274'" << 0 << QString::fromUtf8("\xc3\xbc");
    QTest::newRow("stderr kept apart") << "echo out; echo err >&2" << 0 << "out\n";
    QTest::newRow("silent") << "true" << 0 << "";
}

void tst_execute_manager::exitCodeAndOutput()
{
    QFETCH(QString, script);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QString got = "stale";
    int code = -1;
    QVERIFY(execute_manager::execute_and_get_stdout(got, "/bin/sh", {"-c", script}, &code));
    QCOMPARE(code, exitCode);
    QCOMPARE(got, output);

    code = -1;
    QVERIFY(execute_manager::execute_and_wait("/bin/sh", {"-c", script}, &code));
    QCOMPARE(code, exitCode);
}

void tst_execute_manager::missingProgramFailsAtOnce()
{
    QElapsedTimer clock;
    clock.start();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Failed to start \"/nonexistent/tool\""));
    QString output = "stale";
    QVERIFY(!execute_manager::execute_and_get_stdout(output, "/nonexistent/tool", {}, nullptr));
    QVERIFY(output.isEmpty());
    QVERIFY(clock.elapsed() < 5000);
}

void tst_execute_manager::detachedStart()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath("ran");
    QVERIFY(execute_manager::execute_nowait("/bin/sh", {"-c", "touch \"$0\"", marker}));
    QTRY_VERIFY(QFile::exists(marker));

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^EM: Failed to start \"/nonexistent/tool\""));
    QVERIFY(!execute_manager::execute_nowait("/nonexistent/tool", {}));
}

void tst_execute_manager::hangingProgramIsKilledAfterLimit()
{
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("pid");
    QElapsedTimer clock;
    clock.start();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Terminating process of  \"/bin/sh\" by timeout"));
    QString output;
    // The child ignores the polite request, so only the final kill ends it.
    QVERIFY(!execute_manager::execute_and_get_stdout(
        output, "/bin/sh", {"-c", "trap '' TERM; echo $$ > \"$0\"; echo partial; exec sleep 25", pidFile}, nullptr));
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 19000 && elapsed < 23000, qPrintable(QString::number(elapsed)));
    QCOMPARE(output, QString("partial\n"));

    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray pid = file.readAll().trimmed();
    QTRY_VERIFY(!QFile::exists("/proc/" + pid));
}

void tst_execute_manager::usableFromAnotherThread()
{
    auto run = [] {
        QString output;
        int code = -1;
        const bool ok = execute_manager::execute_and_get_stdout(output, "/bin/echo", {"worker"}, &code);
        return ok && code == 0 && output == "worker\n";
    };
    QFuture<bool> first = QtConcurrent::run(run);
    QFuture<bool> second = QtConcurrent::run(run);
    QVERIFY(first.result());
    QVERIFY(second.result());
}

QTEST_GUILESS_MAIN(tst_execute_manager)
#include "tst_execute_manager.moc"
