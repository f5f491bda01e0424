#include "AppCtl.h"
#include "StartupEnvironment.h"
#include "Welcome.h"

#include <AppConstants.h>
#include <BrandConfig.h>
#include <ClientConfig.h>
#include <ClientLog.h>
#include <Config.h>
#include <FolderManager.h>
#include <Folders.h>
#include <I18n.h>
#include <Ozm.h>
#include <OzmApplication.h>
#include <QOZMHamburgerMenuSignalHandler.h>
#include <SharedMetaTypes.h>
#include <SingleInstance.h>
#include <SystemFunctions.h>
#include <TerminationSignals.h>
#include <UiResources.h>
#include <NativeBrowser.h>
#include <WebEngineBrowserImpl.h>
#include <coBranding.h>

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QTimer>

namespace {

const QString gSupportPhoneNumber = QStringLiteral(OZM_SUPPORT_PHONE);

constexpr int MessageTimeoutMs = 5000;
constexpr int QuitWaitSteps = 20;
constexpr int QuitWaitStepMs = 1000;

void waitOneStep()
{
    QEventLoop step;
    QTimer::singleShot(QuitWaitStepMs, &step, &QEventLoop::quit);
    step.exec();
}

// Needs no display: only the running client's socket is touched.
int runQuitMode(int& argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SingleInstance instance(gSingleApplicationID);
    if (!instance.isRunning())
        return 0;
    if (!instance.sendMessage(QStringLiteral("quit"), MessageTimeoutMs))
        return 0;
    for (int step = 1; step <= QuitWaitSteps; ++step) {
        waitOneStep();
        if (!instance.isRunning())
            return 0;
    }
    qWarning("Timeout waiting of application instance to quit");
    return 0;
}

void prepareGuiFramework()
{
    QGuiApplication::setDesktopSettingsAware(false);
    QApplication::setStyle(QStringLiteral("windows"));
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
    qputenv("QT_SCALE_FACTOR", "1");
    WebEngineBrowserImpl::prepareApplication();
}

void addApplicationFonts()
{
    const QString fonts = QDir(Folders::app_folder + QLatin1String("/Fonts")).absolutePath();
    for (const char* name : {"/KievitOT-Book.otf", "/KievitOT-Bold.otf", "/KievitComp.ttf", "/KievitComp-Medi.ttf",
                             "/KievitComp-Bold.ttf"})
        QFontDatabase::addApplicationFont(fonts + QLatin1String(name));
}

void showBox(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, gApplicationNameUI, text, QMessageBox::Ok);
    box.exec();
}

// An installation that fails its check is repaired once with the administrator's
// consent; false when it stays unsound.
bool secureInstallation()
{
    if (ozm::self_check())
        return true;
    showBox(QMessageBox::Information,
            QApplication::translate("QApplication",
                                    "At the first launch %1 needs to change ownership and permissions of the program "
                                    "files to secure it. Please enter an administrator password to allow %1 to make "
                                    "changes.")
                .arg(gApplicationNameUI));
    if (ozm::self_repair() && ozm::self_check())
        return true;
    showBox(QMessageBox::Critical,
            QApplication::translate("QApplication",
                                    "%1 could not complete all required changes. Please uninstall and reinstall %1. "
                                    "If this does not fix the issue please contact Customer Support at %2 or send us "
                                    "an email to %3.")
                .arg(gApplicationNameUI, gSupportPhoneNumber, coBranding::inst()->support_email->getStrData()));
    QCoreApplication::processEvents();
    return false;
}

// No controller yet: a quit request from a second start ends the client at once.
void quitOnRequest(OzmApplication& app)
{
    QObject::connect(&app, &OzmApplication::quitRequest, &app, &OzmApplication::quit);
}

// A termination that came before the loop ran (during the installation check,
// the backend link's start or the controller's) has been answered already; the
// backend clients go as they would when the loop ends.
int runLoop(OzmApplication& app, const bool& terminated)
{
    if (!terminated)
        return app.exec();
    app.onQuitCleanUp();
    return 0;
}

int runWithoutBackend(OzmApplication& app, const bool& terminated)
{
    QSharedPointer<QOZMHamburgerMenuSignalHandler> relay = QOZMHamburgerMenuSignalHandler::inst();
    QObject::connect(relay.data(), &QOZMHamburgerMenuSignalHandler::hmbrgrQuit, &app, &OzmApplication::quit);
    QGuiApplication::setQuitOnLastWindowClosed(true);
    // Without this a waiting `ozm quit` would leave the error screen standing.
    quitOnRequest(app);
    Welcome::inst()->showErrorConnectToService();
    const int result = runLoop(app, terminated);
    relay.reset();
    return result;
}

void setMenuStyleSheet(OzmApplication& app)
{
    app.setStyleSheet(QStringLiteral(
        "QMenu { font: solid \"Arial\"; font-size: 14px; border: 1px solid gray; color: black; "
        "background-color: white; padding: 2px 0px 2px 0px; }"
        "QMenu::item { color: black; }"
        "QMenu::item:selected { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #A2D052, "
        "stop: 0.3 #A2D052, stop: 0.31 #72B81F, stop: 1 #399C03); color: white; }"
        "QMenu::item:disabled { color: gray; }"
        "QMenu::item:disabled:selected { color: lightgray; }"));
}

void connectController(OzmApplication& app, AppCtl& controller, TerminationSignals& termination)
{
    QObject::connect(&app, &OzmApplication::serviceUnexpectedlyClosed, &controller,
                     &AppCtl::onServiceUnexpectedCloseError);
    QObject::disconnect(&app, &OzmApplication::quitRequest, &app, nullptr);
    QObject::connect(&app, &OzmApplication::quitRequest, &controller, &AppCtl::onQuit);
    QObject::connect(&controller, &AppCtl::quit, &app, &OzmApplication::quit);
    QObject::connect(&app, &OzmApplication::activateAppFromDock, &controller, &AppCtl::activateAppFromDock);
    QObject::connect(&app, &OzmApplication::activateStatus, &controller, &AppCtl::activateStatus);
    // From now on a quit or a termination takes the VPN down first, as a quit from the menu does.
    QObject::disconnect(&termination, &TerminationSignals::received, &app, nullptr);
    QObject::connect(&termination, &TerminationSignals::received, &controller, &AppCtl::onQuit);
}

int runClient(OzmApplication& app, TerminationSignals& termination, bool& terminated)
{
    if (!app.initBackendService())
        return runWithoutBackend(app, terminated);
    // Building the controller takes a while and lets events through; a quit that
    // comes meanwhile needs no VPN to come down, and the loop must not start after it.
    QObject::connect(&app, &OzmApplication::quitRequest, &app, [&app, &terminated] {
        terminated = true;
        app.quit();
    });
    setMenuStyleSheet(app);
    AppCtl controller(nullptr);
    QCoreApplication::processEvents();
    connectController(app, controller, termination);
    if (terminated)
        return runLoop(app, terminated);
    const bool linked = Ozm::inst() && Ozm::inst()->serviceIsRunning();
    QMetaObject::invokeMethod(&controller, linked ? "start" : "onServiceUnexpectedCloseError", Qt::QueuedConnection);
    return runLoop(app, terminated);
}

void tearDown()
{
    // The link ends here, after the loop: its thread stops and the backend process
    // is waited for before the singletons it may still call go.
    Ozm::dropInstance();
    // Nobody owns the main window; it goes while the settings it reads are there.
    delete Welcome::inst();
    Config::drop();
    I18n::drop();
    // The browser engine's own shutdown, which runs with the application object's,
    // must not find the last lines still in the buffer.
    ClientLog::flush();
}

int runClientMode(int& argc, char** argv)
{
    prepareGuiFramework();
    OzmApplication app(argc, argv);
    TerminationSignals termination{SIGTERM, SIGINT};
    bool terminated = false;
    QObject::connect(&termination, &TerminationSignals::received, &app, [&app, &terminated] {
        terminated = true;
        app.quit();
    });

    QCoreApplication::setApplicationName(gApplicationName);
    OzmApplication::windowTitle_ = gApplicationNameUI;
    OzmApplication::windowTitleShort_ = gApplicationNameUI;
    Folders::setAppFolder(FolderManager::appFolder());
    Folders::setAppDataFolder(FolderManager::appDataFolder());
    OzmApplication::initLogFile(Folders::app_data_folder + QDir::separator() + QLatin1String("log.txt"));

    if (app.isRunning()) {
        app.sendMessage(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(), MessageTimeoutMs);
        return 0;
    }

    // Events and checker results cross threads as these types.
    registerSharedMetaTypes();
    ClientConfig::instanceClient();
    I18n::instance()->setLanguage(I18n::DefaultLocale);
    addApplicationFonts();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    coBranding::inst()->loadDefaultImages();
    coBranding::inst()->loadCachedResources();
    initUiResources();
    // The browser engine puts its own handlers in for the termination signals
    // when it starts; they are taken back at once, so a termination still ends
    // the client through its loop.
    NativeBrowserImpl::setFactory([&termination](NativeBrowser* owner) {
        auto* const engine = new WebEngineBrowserImpl(owner);
        termination.reclaim();
        return engine;
    });
    Welcome::inst()->applyBrandInfo();
    Welcome::inst()->startInitialOpening();

    int result = 1;
    if (secureInstallation()) {
        QCoreApplication::processEvents();
        result = runClient(app, termination, terminated);
    }
    tearDown();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    const QString executableFolder = QFileInfo(QFile::decodeName(argv[0])).path();
    StartupEnvironment::fixTemporaryFolder();
    StartupEnvironment::enterContentsFolder(executableFolder);
    if (argc > 1 && qstrcmp(argv[1], "quit") == 0)
        return runQuitMode(argc, argv);
    return runClientMode(argc, argv);
}
