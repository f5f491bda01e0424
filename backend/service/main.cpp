#include "BackendService.h"
#include "PrivilegedEnvironment.h"
#include "SelfCheckingTools.h"
#include "TerminationSignals.h"
#include "coutLoger.h"
#include "paths.h"

#include <AppConstants.h>
#include <FolderManager.h>
#include <SharedMetaTypes.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

#include <csignal>

namespace {

bool runCheck(const QString& command, int& exitCode)
{
    if (command == QLatin1String("self-check"))
        exitCode = SelfCheckingTools::selfCheck() ? 0 : 1;
    else if (command == QLatin1String("self-repair"))
        exitCode = SelfCheckingTools::selfRepair() ? 0 : 1;
    else
        return false;
    return true;
}

int runCheckMode(int& argc, char** argv)
{
    // Only root repairs; anyone else checks with their own rights and nothing more,
    // so the check cannot be used to look into folders the caller may not read or
    // that only root's group may enter.
    if (!PrivilegedEnvironment::dropToCaller())
        return 1;
    PrivilegedEnvironment::takeHomeOfPkexecCaller();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(gApplicationName);
    // The installation checked is the one this program belongs to.
    paths::set_app_directory(QDir(QCoreApplication::applicationDirPath()));
    paths::set_app_data_directory(QDir(FolderManager::appDataFolder()));

    const QtMessageHandler previous = qInstallMessageHandler(coutLoger);
    int exitCode = -1;
    if (!runCheck(QString::fromLocal8Bit(argv[1]), exitCode))
        qCritical("Unknown command: %s", argv[1]);
    qInstallMessageHandler(previous);
    return exitCode;
}

int runService(int& argc, char** argv)
{
    PrivilegedEnvironment::becomeRoot();
    QCoreApplication app(argc, argv);
    registerSharedMetaTypes();
    QDir::setCurrent(QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1String("/../")));
    // SIGTERM, SIGINT and SIGHUP end the service with 1 through the event loop,
    // so destructors close the session and stop openvpn as on a disconnect.
    TerminationSignals terminationSignals{SIGTERM, SIGINT, SIGHUP};
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app, [] {
        qDebug() << "Process killed by signal.";
        QCoreApplication::exit(1);
    });
    // A client that vanished with the backend's standard error must not kill it
    // before openvpn is stopped.
    std::signal(SIGPIPE, SIG_IGN);

    BackendService service;
    QObject::connect(&service, &BackendService::serviceClosed, &app, &QCoreApplication::quit);
    QMetaObject::invokeMethod(&service, &BackendService::start, Qt::QueuedConnection);
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    PrivilegedEnvironment::resetIfSetuid();
    QCoreApplication::setSetuidAllowed(true);
    if (argc > 1)
        return runCheckMode(argc, argv);
    return runService(argc, argv);
}
