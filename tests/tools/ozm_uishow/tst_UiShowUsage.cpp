// ozm_uishow's usage and graph windows under a private X server: hostile
// sessions read back through --graph-dump, and the usage window's picture.
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

bool writeText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Unsane figures, duplicates, an unreadable date and neighbours that share pixels.
const QByteArray HostileSessions = "2026-06-09T10:00:00\t600\tnan\n"
                                   "2026-06-09T10:00:00\t600\tinf\n"
                                   "2026-06-10T09:00:00\t60\t-5\n"
                                   "2026-06-10T09:00:00\t60\t1e308\n"
                                   "not-a-date\t60\t4\n"
                                   "2026-06-10T09:00:00\t60\t3\n"
                                   "2026-06-10T09:00:00\t60\t3\n";

int runTool(const QStringList& arguments)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedChannels);
    tool.start(OZM_UISHOW, arguments);
    return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

} // namespace

class tst_UiShowUsage : public QObject
{
    Q_OBJECT

private slots:
    void graphDumpOfHostileSessions_data()
    {
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("mode");
        QTest::newRow("week, form size") << "520x240" << 1;
        QTest::newRow("day, 1x1") << "1x1" << 0;
        QTest::newRow("month, narrower than the margins") << "60x240" << 2;
    }
    void graphDumpOfHostileSessions()
    {
        QFETCH(QString, size);
        QFETCH(int, mode);
        QTemporaryDir dir;
        const QString sessions = dir.filePath("sessions.tsv");
        const QString dump = dir.filePath("graph.json");
        const QString log = dir.filePath("log");
        QVERIFY(writeText(sessions, HostileSessions));
        QCOMPARE(runTool({"graph", "--set", "now=2026-06-10T12:00:00", "--set", "sessions=" + sessions, "--set",
                          "all=" + sessions, "--set", QStringLiteral("mode=%1").arg(mode), "--set", "size=" + size,
                          "--graph-dump", dump, "--log", log, "--quit-after", "1"}),
                 0);
        // Both lists' nan, inf, -5 and 1e308, told once; nothing else goes wrong.
        QFile logged(log);
        QVERIFY(logged.open(QIODevice::ReadOnly));
        QCOMPARE(logged.readAll(), QByteArray("UsageGraph: traffic figures that are no sane number count as 0: 8\n"));

        QFile file(dump);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject graph = QJsonDocument::fromJson(file.readAll()).object();
        const QJsonArray extent = graph["size"].toArray();
        const QRect inside(0, 0, std::max(extent[0].toInt(), 1), std::max(extent[1].toInt(), 1));
        QCOMPARE(QStringLiteral("%1x%2").arg(extent[0].toInt()).arg(extent[1].toInt()), size);
        for (const char* axis : {"x", "y"})
            for (const QJsonValue& label : graph[axis].toArray()) {
                const QString text = label.toArray()[0].toString();
                QVERIFY2(!text.isEmpty() && !text.contains("nan") && !text.contains("inf"), qPrintable(text));
            }
        // The duplicates, 3 MB each, are the only traffic that counts.
        QCOMPARE(graph["y"].toArray().last().toArray()[0].toString(), QString("10 MB"));
        for (const char* line : {"this", "all"}) {
            const QJsonArray points = graph[line].toArray();
            QVERIFY(points.size() >= 2);
            for (const QJsonValue& value : points) {
                const QJsonArray point = value.toArray();
                QVERIFY(std::isfinite(point[1].toDouble()));
                QVERIFY(inside.contains(point[2].toInt(), point[3].toInt()));
            }
        }
    }

    void usageWindowPicture()
    {
        QTemporaryDir dir;
        const QString sessions = dir.filePath("sessions.tsv");
        const QString shot = dir.filePath("usage.png");
        QVERIFY(writeText(sessions, "2026-05-02T10:00:00\t5400\t20\t1.5\t12\n"
                                    "2026-06-01T10:00:00\t5400\t30\t2.5\t30\n"));
        QCOMPARE(runTool({"usage", "--set", "now=2026-06-20T12:00:00", "--set", "sessions=" + sessions, "--set",
                          "all=" + sessions, "--set", "filter=90", "--set", "traffic=1240000", "--set",
                          "services=10,100000", "--screenshot", shot, "--quit-after", "2000", "--strict"}),
                 0);
        const QImage picture(shot);
        QVERIFY(!picture.isNull());
        QVERIFY(picture.width() >= 520);
        // The green line of this device is on the picture.
        bool green = false;
        for (int y = 0; y < picture.height() && !green; ++y)
            for (int x = 0; x < picture.width() && !green; ++x)
                green = picture.pixelColor(x, y) == QColor(0x00, 0x92, 0x45);
        QVERIFY(green);
    }
};

QTEST_GUILESS_MAIN(tst_UiShowUsage)
#include "tst_UiShowUsage.moc"
