// ozm_uishow WINDOW [options]: shows one window of the client with stand-in
// data, for people to look at and for tests to drive, until SIGTERM or
// --quit-after. SIGUSR1 writes the screenshot and the accessibility trees again.
#include "AccessibleTree.h"
#include "Clock.h"
#include "Folders.h"
#include "ShownWindows.h"
#include "UiFonts.h"
#include "UiResources.h"
#include "UrlLog.h"
#include "WebEngineBrowserImpl.h"
#include "WindowShot.h"
#include "coBranding.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2];
QFile* logFile = nullptr;
bool strict = false;
QtMessageHandler defaultHandler = nullptr;

void onSignal(int number)
{
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

void logMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (logFile) {
        logFile->write(text.toUtf8() + '\n');
        logFile->flush();
    }
    defaultHandler(type, context, text);
    if (strict && (type == QtWarningMsg || type == QtCriticalMsg))
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(3); }, Qt::QueuedConnection);
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

struct Outputs
{
    QString screenshot;
    QString a11y;
    QWidget* window = nullptr;

    void writeScreenshot() const
    {
        if (!screenshot.isEmpty() && !WindowShot(window).saveTo(screenshot))
            std::fprintf(stderr, "ozm_uishow: no screenshot (is there an X server?)\n");
    }
    void writeA11y() const
    {
        if (!a11y.isEmpty()
            && !writeFile(a11y, QJsonDocument(AccessibleTree::visibleTopLevels()).toJson(QJsonDocument::Indented)))
            std::fprintf(stderr, "ozm_uishow: cannot write %s\n", qPrintable(a11y));
    }
};

// The keys every window takes: folders, brand texts and the clock. False when
// the key is none of them; error tells a value they refuse.
bool setCommonKey(const QString& key, const QString& value, QString* error)
{
    if (key == "data") {
        Folders::setAppDataFolder(value);
    } else if (key == "app") {
        Folders::setAppFolder(value);
    } else if (key.startsWith("brand.")) {
        BrandItem* item = coBranding::inst()->getItemByName(key.mid(6));
        if (!item || !item->setStrData(value, false))
            *error = key + ": no brand text, or it refuses " + value;
    } else if (key == "now") {
        const QDateTime now = QDateTime::fromString(value, Qt::ISODate);
        if (!now.isValid())
            *error = "now takes an ISO date and time, not " + value;
        Clock::pin(now);
    } else {
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    WebEngineBrowserImpl::prepareApplication();
    QApplication app(argc, argv);
    WebEngineBrowserImpl::install();
    QCommandLineParser parser;
    parser.setApplicationDescription("Shows one window of the client with stand-in data.");
    parser.addHelpOption();
    parser.addPositionalArgument("WINDOW", "One of: " + ShownWindows::names().join(", "));
    const QCommandLineOption set("set", "data=DIR, app=DIR, brand.ITEM=TEXT, now=ISO, or a key of the window.",
                                 "KEY=VALUE");
    const QCommandLineOption a11y("a11y", "Accessibility trees of the visible windows, at exit and on SIGUSR1.", "FILE");
    const QCommandLineOption screenshot("screenshot", "Picture of the window once shown, and on SIGUSR1.", "FILE");
    const QCommandLineOption urlLog("url-log", "Log desktop addresses instead of opening them.", "FILE");
    const QCommandLineOption log("log", "Log lines.", "FILE");
    const QCommandLineOption strictOption("strict", "Exit with status 3 after a Qt warning.");
    const QCommandLineOption quitAfter("quit-after", "Quit after this many milliseconds.", "MS");
    const QCommandLineOption graphDump("graph-dump", "The graph window's axes and points as JSON, once shown.", "FILE");
    parser.addOptions({set, a11y, screenshot, urlLog, log, strictOption, quitAfter, graphDump});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    initUiResources();
    UiFonts::installSubstitutes();
    strict = parser.isSet(strictOption);
    if (parser.isSet(log)) {
        logFile = new QFile(parser.value(log), &app);
        if (!logFile->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            std::fprintf(stderr, "ozm_uishow: cannot write %s\n", qPrintable(parser.value(log)));
            return 2;
        }
    }
    defaultHandler = qInstallMessageHandler(logMessage);
    // Whatever the application's children log while they go, after every return
    // below, must not reach the log file, itself one of those children.
    struct RestoreHandler
    {
        ~RestoreHandler()
        {
            qInstallMessageHandler(defaultHandler);
            logFile = nullptr;
        }
    } restoreHandler;
    if (parser.isSet(urlLog))
        new UrlLog(parser.value(urlLog), &app);

    QMap<QString, QString> keys;
    for (const QString& pair : parser.values(set)) {
        const int equals = pair.indexOf('=');
        const QString key = pair.left(equals);
        const QString value = pair.mid(equals + 1);
        if (equals <= 0) {
            std::fprintf(stderr, "ozm_uishow: --set takes KEY=VALUE, not %s\n", qPrintable(pair));
            return 2;
        }
        QString error;
        if (!setCommonKey(key, value, &error))
            keys.insert(key, value);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "ozm_uishow: %s\n", qPrintable(error));
            return 2;
        }
    }

    if (parser.isSet(graphDump))
        keys.insert("graph-dump", parser.value(graphDump));

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return 1;
    QSocketNotifier signalNotifier(signalPipe[1], QSocketNotifier::Read);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
    std::signal(SIGUSR1, onSignal);

    QString error;
    std::unique_ptr<QWidget> window = ShownWindows::show(parser.positionalArguments().first(), keys, &error);
    if (!window) {
        std::fprintf(stderr, "ozm_uishow: %s\n", qPrintable(error));
        return 2;
    }
    Outputs outputs{parser.value(screenshot), parser.value(a11y), window.get()};
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&outputs] {
        char number = 0;
        if (::read(signalPipe[1], &number, 1) != 1)
            return;
        if (number == SIGUSR1) {
            outputs.writeScreenshot();
            outputs.writeA11y();
        } else {
            QCoreApplication::quit();
        }
    });
    QTimer::singleShot(0, [&outputs] { outputs.writeScreenshot(); });
    if (parser.isSet(quitAfter))
        QTimer::singleShot(parser.value(quitAfter).toInt(), &app, &QCoreApplication::quit);

    const int status = app.exec();
    outputs.writeA11y();
    return status;
}
