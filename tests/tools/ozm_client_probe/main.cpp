#include "ClientProbe.h"

#include <ClientLog.h>
#include <Folders.h>
#include <Ozm.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ozm_client_probe"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The desktop client without windows: starts <app-dir>/ozm_launch, links to it and runs the requests\n"
        "read from standard input, one a line: request NAME [ARGS...], activate, activate-manual, deactivate,\n"
        "cancel, reactivate MS, or quit. Prints LINK connected|failed|lost, REPLY NAME [VALUES...] or NOREPLY NAME,\n"
        "RESULT NAME true|false, and a line for each signal of the client: NETWORK for each network report, POWER\n"
        "sleep|wake from logind on the system bus (DBUS_SYSTEM_BUS_ADDRESS, when set, names it), and the VPN\n"
        "session's STATE, STATS, SERVER, FAILED, LOCATION and SERVERS. With --email the location and the server\n"
        "list are asked of the service (\"licenseserver\" in the data folder names it) at start.\n"
        "Logs to <data-dir>/log.txt.\n"
        "Exit codes: 0 after quit, 1 bad usage, 2 link failed, 3 link lost."));
    parser.addHelpOption();
    const QCommandLineOption appDirOption(QStringLiteral("app-dir"), QStringLiteral("Application folder."),
                                          QStringLiteral("dir"));
    const QCommandLineOption dataDirOption(QStringLiteral("data-dir"), QStringLiteral("Data folder."),
                                           QStringLiteral("dir"));
    const QCommandLineOption emailOption(QStringLiteral("email"), QStringLiteral("The account's e-mail address."),
                                         QStringLiteral("address"));
    const QCommandLineOption passwordOption(QStringLiteral("password"),
                                            QStringLiteral("The account's password as the service encrypted it."),
                                            QStringLiteral("password"));
    const QCommandLineOption optionOption(QStringLiteral("option"),
                                          QStringLiteral("When the VPN comes up on its own: 0, 1 or 2."),
                                          QStringLiteral("N"));
    parser.addOptions({appDirOption, dataDirOption, emailOption, passwordOption, optionOption});
    parser.process(app);
    if (parser.value(appDirOption).isEmpty() || parser.value(dataDirOption).isEmpty()) {
        QTextStream(stderr) << "ozm_client_probe: --app-dir and --data-dir are required.\n";
        return ClientProbe::BadUsage;
    }

    // The application's own start, in its order: the folders, then the log.
    Folders::setAppFolder(QDir(parser.value(appDirOption)).absolutePath());
    Folders::setAppDataFolder(QDir(parser.value(dataDirOption)).absolutePath());
    if (!Folders::makeAppDataFolder()) {
        QTextStream(stderr) << "ozm_client_probe: cannot make the data folder.\n";
        return ClientProbe::BadUsage;
    }
    ClientLog::open(Folders::app_data_folder + QStringLiteral("/log.txt"));

    ClientProbe::Account account;
    account.email = parser.value(emailOption);
    account.password = parser.value(passwordOption);
    if (parser.isSet(optionOption)) {
        bool number = false;
        account.activateOption = parser.value(optionOption).toInt(&number);
        if (!number || account.activateOption < 0) {
            QTextStream(stderr) << "ozm_client_probe: --option takes 0, 1 or 2.\n";
            return ClientProbe::BadUsage;
        }
    }
    ClientProbe probe(account);
    QObject::connect(&probe, &ClientProbe::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (!probe.start()) {
        Ozm::dropInstance();
        return ClientProbe::LinkFailed;
    }
    return app.exec();
}
