// ozm_uishow under a private X server: the window it shows, its picture, its
// accessibility trees and its exit statuses.
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// The first node of the tree with this object name, depth first.
QJsonObject findNode(const QJsonObject& node, const QString& objectName)
{
    if (node["objectName"].toString() == objectName)
        return node;
    for (const QJsonValue& child : node["children"].toArray()) {
        const QJsonObject found = findNode(child.toObject(), objectName);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QRect rectOf(const QJsonObject& node)
{
    const QJsonArray r = node["rect"].toArray();
    return QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
}

} // namespace

class tst_UiShowTool : public QObject
{
    Q_OBJECT

private slots:
    void baseWithOpenPanel()
    {
        QTemporaryDir dir;
        const QString shot = dir.filePath("base.png");
        const QString tree = dir.filePath("base.json");
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedChannels);
        tool.start(OZM_UISHOW, {"base", "--set", "menu=open", "--set", "state=3", "--set", "account=off",
                                "--screenshot", shot, "--a11y", tree, "--strict"});
        QVERIFY(tool.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(shot), 60000);
        ::kill(pid_t(tool.processId()), SIGTERM);
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);

        QFile json(tree);
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonArray windows = QJsonDocument::fromJson(json.readAll()).array();
        QCOMPARE(windows.size(), 1);
        const QJsonObject window = windows[0].toObject();
        QCOMPARE(window["objectName"].toString(), QString("Base"));
        QCOMPARE(window["role"].toString(), QString("Dialog"));
        const QJsonObject panel = findNode(window, "QOZMHamburgerMenu");
        QCOMPARE(rectOf(panel), rectOf(window));
        const QJsonObject activate = findNode(window, "btnActivateHmbrgr");
        QCOMPARE(activate["role"].toString(), QString("Button"));
        QCOMPARE(activate["name"].toString(), QString("Stop activating"));
        QCOMPARE(findNode(window, "btnAccount")["state"].toObject()["disabled"].toBool(), true);
        QCOMPARE(findNode(window, "btnQuit")["state"].toObject()["disabled"].toBool(), false);

        const QImage picture(shot);
        QCOMPARE(picture.size(), rectOf(window).size());
        QVERIFY(picture.pixel(0, 0) != picture.pixel(picture.width() - 10, picture.height() / 2));
    }

    void brandAndClockKeys()
    {
        QTemporaryDir dir;
        const QString tree = dir.filePath("helpicon.json");
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedChannels);
        tool.start(OZM_UISHOW, {"helpicon", "--set", "brand.support_email=care@example.org", "--set",
                                "now=2031-05-01T12:00:00", "--a11y", tree, "--quit-after", "1", "--strict"});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);

        QFile json(tree);
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonObject window = QJsonDocument::fromJson(json.readAll()).array()[0].toObject();
        QCOMPARE(findNode(window, "lbSupportEmail")["name"].toString(), QString("care@example.org"));
        QVERIFY(findNode(window, "lbCopyright")["name"].toString().contains(" 2031 "));
    }

    void settingsWithServersAndServices()
    {
        QTemporaryDir dir;
        QFile servers(dir.filePath("servers.txt"));
        QVERIFY(servers.open(QIODevice::WriteOnly));
        servers.write("<?xml version=\"1.0\"?><VpnServer><name>US1</name><host>us1.vpn.invalid</host>"
                      "<city>Dallas</city><country>United States</country><state>Texas</state></VpnServer>\n"
                      "<?xml version=\"1.0\"?><VpnCluster><name>us</name><description>United States</description>"
                      "<country>US</country><servers>US1</servers></VpnCluster>\n");
        servers.close();
        QFile services(dir.filePath("services.xml"));
        QVERIFY(services.open(QIODevice::WriteOnly));
        services.write("<response><result><status>success</status><services><element><id>100000</id>"
                       "<name>Encryption</name><active>1</active></element></services></result></response>");
        services.close();
        const QString shot = dir.filePath("settings.png");
        const QString tree = dir.filePath("settings.json");
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedChannels);
        tool.start(OZM_UISHOW, {"settings", "--set", "servers=" + servers.fileName(), "--set", "default=us", "--set",
                                "services=" + services.fileName(), "--set", "tab=1", "--screenshot", shot, "--a11y",
                                tree, "--quit-after", "1"});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(!QImage(shot).isNull());

        QFile json(tree);
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonObject window = QJsonDocument::fromJson(json.readAll()).array()[0].toObject();
        QCOMPARE(window["objectName"].toString(), QString("Settings"));
        QVERIFY(!findNode(window, "cbClusters").isEmpty());
    }

    // The result dialog with the adapter off, a failed row and a server with a
    // part missing; the docked one in the stand-in tab, strict.
    void connectivityResults()
    {
        QTemporaryDir dir;
        const QString shot = dir.filePath("ctreport.png");
        const QString tree = dir.filePath("ctreport.json");
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedChannels);
        tool.start(OZM_UISHOW, {"ctreport", "--set", "passed=gdlc", "--set", "wifi=off", "--set",
                                "server=Alpha|Oslo||Norway|10.0.0.1", "--set", "docked=1", "--screenshot", shot,
                                "--a11y", tree, "--quit-after", "1", "--strict"});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY(!QImage(shot).isNull());

        QFile json(tree);
        QVERIFY(json.open(QIODevice::ReadOnly));
        const QJsonObject window = QJsonDocument::fromJson(json.readAll()).array()[0].toObject();
        QCOMPARE(findNode(window, "getTestLabel")["name"].toString(), QString("PASSED"));
        QCOMPARE(findNode(window, "ping8888TestLabel")["name"].toString(), QString("FAILED"));
        QCOMPARE(findNode(window, "serverNameLabel")["name"].toString(), QString("Alpha, Oslo, Norway"));
        QCOMPARE(findNode(window, "wifiAdapterStatus")["name"].toString(), QString("Disabled"));
        const QJsonObject button = findNode(window, "wifiEnablingButton");
        QCOMPARE(button["name"].toString(), QString("Enable WiFi"));
        QCOMPARE(button["state"].toObject()["disabled"].toBool(), false);
        QVERIFY(rectOf(window).contains(rectOf(findNode(window, "cancelButton"))));
    }

    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("logged");
        QTest::newRow("tray menu without an icon, strict")
            << QStringList{"traymenu", "--set", "trayicon=none", "--strict"} << 3
            << "QSystemTrayIcon does not set for QOZMTrayMenu";
        QTest::newRow("unknown window") << QStringList{"nothing"} << 2 << "";
        QTest::newRow("unknown key") << QStringList{"base", "--set", "colour=red"} << 2 << "";
        QTest::newRow("unknown brand item") << QStringList{"base", "--set", "brand.colour=red"} << 2 << "";
        QTest::newRow("brand image item") << QStringList{"base", "--set", "brand.logo=red"} << 2 << "";
        QTest::newRow("now not a time") << QStringList{"base", "--set", "now=soon"} << 2 << "";
        QTest::newRow("quits after the time") << QStringList{"helpicon", "--quit-after", "1"} << 0 << "";
        QTest::newRow("status through its states, strict")
            << QStringList{"status", "--set", "states=3,4,2", "--set", "location=192.0.2.7|Berlin", "--set",
                           "conntype=Unencrypted wireless", "--set", "wifisec=1", "--quit-after", "1500", "--strict"}
            << 0 << "Status: [location update] : ip = 192.0.2.7 description = Berlin";
        QTest::newRow("status state out of range") << QStringList{"status", "--set", "state=6"} << 2 << "";
        QTest::newRow("help, a tab that is not there") << QStringList{"help", "--set", "tab=4"} << 2 << "";
        QTest::newRow("help on the test tab, strict")
            << QStringList{"help", "--set", "tab=2", "--strict", "--quit-after", "1"} << 0 << "";
        QTest::newRow("support form on its failure page, strict")
            << QStringList{"sendreport", "--set", "page=3", "--set", "error=Refused", "--set", "email=a+b@x.org",
                           "--strict", "--quit-after", "1"}
            << 0 << "";
        QTest::newRow("support form, no such page") << QStringList{"sendreport", "--set", "page=4"} << 2 << "";
        QTest::newRow("Wi-Fi notice failed, strict")
            << QStringList{"wifinotice", "--set", "ticks=4", "--set", "outcome=failed", "--strict", "--quit-after",
                           "1"}
            << 0 << "";
        QTest::newRow("result dialog, unknown row letter") << QStringList{"ctreport", "--set", "passed=x"} << 2 << "";
        QTest::newRow("browser, no such page") << QStringList{"browser", "--set", "type=6"} << 2 << "";
        // The address probe logs the refused connection as a warning: not strict.
        QTest::newRow("browser on a page that does not answer")
            << QStringList{"browser", "--set", "brand.help_url=https://127.0.0.1:9/", "--quit-after", "1"} << 0
            << "Error while doing request to  https://127.0.0.1:9/";
    }
    void exitStatuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, logged);
        QTemporaryDir dir;
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (arguments.first() == "browser") {
            // The web engine keeps allocations of its own libraries to the end; the
            // browser's own code is leak-checked in its unit test.
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("ASAN_OPTIONS", "detect_leaks=0");
            tool.setProcessEnvironment(environment);
        }
        tool.start(OZM_UISHOW, arguments << "--log" << dir.filePath("log"));
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), status);
        QFile log(dir.filePath("log"));
        if (!logged.isEmpty()) {
            QVERIFY(log.open(QIODevice::ReadOnly));
            QVERIFY(log.readAll().contains(logged.toUtf8()));
        }
    }
};

QTEST_GUILESS_MAIN(tst_UiShowTool)
#include "tst_UiShowTool.moc"
