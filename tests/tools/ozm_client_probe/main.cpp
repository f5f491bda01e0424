#include "ClientProbe.h"

#include <ClientLog.h>
#include <Folders.h>
#include <Ozm.h>

#include <QCommandLineParser>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

const char* const DiagnosticsFlag = "--diagnostics";

// The diagnostics' dialogs need a widget application, which has to exist before
// the command line is parsed.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[])
{
    if (std::none_of(argv + 1, argv + argc, [](const char* word) { return std::strcmp(word, DiagnosticsFlag) == 0; }))
        return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace

int main(int argc, char* argv[])
{
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("ozm_client_probe"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The desktop client without windows: starts <app-dir>/ozm_launch, links to it and runs the requests\n"
        "read from standard input, one a line: request NAME [ARGS...], activate, activate-manual, deactivate,\n"
        "cancel, reactivate MS, or quit; with --account-flow also start, email ADDR and device NAME PASSWORD\n"
        "COUNT, and a WELCOME line for each signal of the account flow. Prints LINK connected|failed|lost,\n"
        "REPLY NAME [VALUES...] or NOREPLY NAME, RESULT NAME true|false, and a line for each signal of the client:\n"
        "NETWORK for each network report, POWER sleep|wake from logind on the system bus (DBUS_SYSTEM_BUS_ADDRESS,\n"
        "when set, names it), and the VPN\n"
        "session's STATE, STATS, SERVER, FAILED, LOCATION and SERVERS. With --email the location and the server\n"
        "list are asked of the service (\"licenseserver\" in the data folder names it) at start.\n"
        "With --diagnostics the connectivity test and the support report of the Help window run headless too:\n"
        "ctest [HOST], click NAME, type NAME TEXT, printing TESTROWS, TESTADVICE, TESTSERVER, TESTWIFI,\n"
        "REPORTFORM and REPORTPAGE (see DiagnosticsProbe.h).\n"
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
    const QCommandLineOption passwordFileOption(
        QStringLiteral("password-file"),
        QStringLiteral("A file holding the account's password as the service encrypted it, out of the process list."),
        QStringLiteral("file"));
    const QCommandLineOption serialOption(QStringLiteral("serial"), QStringLiteral("The device's serial."),
                                          QStringLiteral("serial"));
    const QCommandLineOption diagnosticsOption(QLatin1String(DiagnosticsFlag + 2),
                                               QStringLiteral("Adds the Help window's connectivity test."));
    const QCommandLineOption optionOption(QStringLiteral("option"),
                                          QStringLiteral("When the VPN comes up on its own: 0, 1 or 2."),
                                          QStringLiteral("N"));
    const QCommandLineOption accountFlowOption(
        QStringLiteral("account-flow"), QStringLiteral("The account flow decides on activation, as in the application."));
    parser.addOptions({appDirOption, dataDirOption, emailOption, passwordOption, passwordFileOption, serialOption,
                       diagnosticsOption, optionOption, accountFlowOption});
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
    if (parser.isSet(passwordFileOption)) {
        QFile file(parser.value(passwordFileOption));
        if (!file.open(QIODevice::ReadOnly)) {
            QTextStream(stderr) << "ozm_client_probe: cannot read the password file.\n";
            return ClientProbe::BadUsage;
        }
        account.password = QString::fromUtf8(file.readAll()).trimmed();
    }
    account.serial = parser.value(serialOption);
    account.accountFlow = parser.isSet(accountFlowOption);
    if (parser.isSet(optionOption)) {
        bool number = false;
        account.activateOption = parser.value(optionOption).toInt(&number);
        if (!number || account.activateOption < 0) {
            QTextStream(stderr) << "ozm_client_probe: --option takes 0, 1 or 2.\n";
            return ClientProbe::BadUsage;
        }
    }
    ClientProbe probe(account);
    if (parser.isSet(diagnosticsOption))
        probe.enableDiagnostics();
    QObject::connect(&probe, &ClientProbe::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    if (!probe.start()) {
        Ozm::dropInstance();
        return ClientProbe::LinkFailed;
    }
    return app.exec();
}
