#include "LinkClient.h"
#include "LinkProtocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ozm_link_client"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Opens a session with the backend on 127.0.0.1 (log connection, then control connection and\n"
        "handshake) and runs a script: one request a line, e.g. OZM_VPN_REACTIVATE 5000, with \"...\"\n"
        "around arguments that hold blanks. Each request waits for its reply. Directives:\n"
        "  @wait MS                  pause\n"
        "  @event NAME [VALUE...]    wait for an event (values match from the first one on)\n"
        "  @nowait REQUEST...        send without waiting for the reply\n"
        "  @close                    end the session\n"
        "Output, one line each: TIME HANDSHAKE|SENT|REPLY|EVENT|LOG|CLOSED|ERROR ...\n"
        "Exit codes: 0 done, 1 failure, 2 handshake rejected, 3 a wait was not met."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Backend port."), QStringLiteral("port"),
                                        QString::number(LinkProtocol::ServicePort));
    const QCommandLineOption appDirOption(QStringLiteral("app-dir"), QStringLiteral("Application folder sent in the handshake."),
                                          QStringLiteral("dir"));
    const QCommandLineOption dataDirOption(QStringLiteral("data-dir"), QStringLiteral("Data folder sent in the handshake."),
                                           QStringLiteral("dir"));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Limit for connecting and for every wait, in ms."),
                                           QStringLiteral("ms"), QStringLiteral("30000"));
    const QCommandLineOption stayOption(QStringLiteral("stay"),
                                        QStringLiteral("Keep the session after the script until the backend closes it."));
    parser.addOptions({portOption, appDirOption, dataDirOption, timeoutOption, stayOption});
    parser.addPositionalArgument(QStringLiteral("line"), QStringLiteral("Script lines; without any, standard input is read."),
                                 QStringLiteral("[line...]"));
    parser.process(app);

    LinkClient::Options options;
    bool portOk = false;
    bool timeoutOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    options.port = quint16(port);
    options.timeoutMs = parser.value(timeoutOption).toInt(&timeoutOk);
    options.appDir = parser.value(appDirOption);
    options.dataDir = parser.value(dataDirOption);
    options.stay = parser.isSet(stayOption);
    if (!portOk || port == 0 || port > 65535 || !timeoutOk || options.timeoutMs < 0 || options.appDir.isEmpty()
        || options.dataDir.isEmpty()) {
        QTextStream(stderr) << "ozm_link_client: --app-dir and --data-dir are required; port and timeout must be numbers.\n";
        return LinkClient::Failed;
    }

    LinkClient client(options);
    QObject::connect(&client, &LinkClient::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    client.start(parser.positionalArguments());
    return app.exec();
}
