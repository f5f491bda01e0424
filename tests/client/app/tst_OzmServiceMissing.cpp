#include "ClientInstallation.h"
#include "XWindows.h"

#include <PrivateNamespaces.h>

#include <QApplication>
#include <QDebug>
#include <QTest>

#include <memory>

namespace {
constexpr int ProcessEndMs = 120000;
const QString MainWindow = QStringLiteral("Ozmira - Welcome");

// The error screen's text: red on pale red.
bool red(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}
// Text in grey or black, not the white, green and red around it.
bool ink(QRgb pixel)
{
    const int high = qMax(qRed(pixel), qMax(qGreen(pixel), qBlue(pixel)));
    const int low = qMin(qRed(pixel), qMin(qGreen(pixel), qBlue(pixel)));
    return high < 230 && high - low < 30;
}

// An enabled entry's text; a disabled one's is no darker than light grey.
bool dark(QRgb pixel)
{
    return ink(pixel) && qRed(pixel) < 150;
}

// The menu's entries from top to bottom, as lines of text in its column right
// of the icons: each "grey" (disabled) or "dark" (enabled), with its middle.
struct Entry
{
    QString look;
    QPoint middle;
};

QList<Entry> menuEntries(const QImage& window)
{
    constexpr int TextColumn = 130;
    QList<Entry> entries;
    int top = -1;
    QPoint darkAt;
    for (int y = 0; y <= window.height(); ++y) {
        int inked = 0;
        for (int x = window.width() - TextColumn; y < window.height() && x < window.width(); ++x) {
            inked += ink(window.pixel(x, y)) ? 1 : 0;
            if (dark(window.pixel(x, y)) && darkAt.isNull())
                darkAt = QPoint(x, y);
        }
        if (inked >= 2 && top < 0)
            top = y;
        if (inked < 2 && top >= 0) {
            const bool enabled = !darkAt.isNull();
            entries << Entry{enabled ? "dark" : "grey", QPoint(enabled ? darkAt.x() : 0, (top + y) / 2)};
            top = -1;
            darkAt = QPoint();
        }
    }
    return entries;
}

QStringList looks(const QList<Entry>& entries)
{
    QStringList all;
    for (const Entry& entry : entries)
        all << entry.look;
    return all;
}

// Opens the menu from its label at the window's top right, sees that its last
// entry, Quit, is the only one enabled, and chooses it.
bool chooseQuitFromMenu(const QString& window, int width)
{
    if (!XWindows::click(window, width - 50, 15))
        return false;
    QList<Entry> entries;
    // The panel slides over the window's right side once it is drawn.
    (void)QTest::qWaitFor(
        [&] {
            entries = menuEntries(XWindows::grab(window, "tst_OzmServiceMissing-menu-open", [](QRgb) { return true; }));
            return entries.size() == 8;
        },
        ProcessEndMs);
    const QStringList expected{"grey", "grey", "grey", "grey", "grey", "grey", "grey", "dark"};
    if (looks(entries) != expected) {
        qWarning() << "menu entries:" << looks(entries);
        return false;
    }
    return XWindows::click(window, entries.last().middle.x() + 5, entries.last().middle.y());
}
} // namespace

// The real client whose installation passes its check but whose backend never
// listens, on an X server of the test's own: the main window tells the user the
// service is missing, and every way out of that screen ends the client with 0.
class tst_OzmServiceMissing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void leaves_data();
    void leaves();

private:
    std::unique_ptr<ClientInstallation> installation;
};

void tst_OzmServiceMissing::initTestCase()
{
    QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"), "needs its own X server");
}

void tst_OzmServiceMissing::init()
{
    QVERIFY(PrivateNamespaces::renewNetwork());
    installation = std::make_unique<ClientInstallation>("[ \"$1\" = self-check ] && exit 0\nexit 1\n");
}

void tst_OzmServiceMissing::cleanup()
{
    installation.reset();
}

void tst_OzmServiceMissing::leaves_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("window closed") << "close";
    QTest::newRow("ozm quit") << "quit";
    QTest::newRow("menu Quit") << "menu";
}

void tst_OzmServiceMissing::leaves()
{
    QFETCH(QString, way);
    QProcess* client = installation->start({}, XWindows::onDisplay(installation->environment()));
    const QString window = XWindows::waitFor(MainWindow);
    QVERIFY(!window.isEmpty());
    const QImage screen = XWindows::grab(window, "tst_OzmServiceMissing-screen", red);
    QVERIFY(XWindows::shows(screen, red));
    QVERIFY(installation->log().contains("Ozm: Error connect to backend service"));

    if (way == "close")
        QVERIFY(XWindows::requestClose(window));
    else if (way == "menu")
        QVERIFY(chooseQuitFromMenu(window, screen.width()));
    else
        QCOMPARE(installation->run({"quit"}), 0);
    QVERIFY(client->waitForFinished(ProcessEndMs));
    QCOMPARE(client->exitStatus(), QProcess::NormalExit);
    QCOMPARE(client->exitCode(), 0);
}

int main(int argc, char** argv)
{
    if (!PrivateNamespaces::enter(PrivateNamespaces::Options().withOwnProcesses()))
        return 1;
    QApplication app(argc, argv);
    tst_OzmServiceMissing test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_OzmServiceMissing.moc"
