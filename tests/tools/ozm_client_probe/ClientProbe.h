#pragma once

#include <QObject>
#include <QSharedPointer>
#include <QStringList>
#include <QTextStream>

class ClientAuthData;
class DiagnosticsProbe;
class HttpAccess;
class LocationStatusUpdater;
class NetworkCtlClient;
class Ozm;
class VpnServerList;
class WelcomeCtl;

// The desktop client without its windows, for tests and people. It builds the
// link, and the client objects that use it, in the order and with the wiring of
// the application, runs the requests it reads from standard input and prints a
// line for everything the client sees.
//   Input, one a line (words as LinkScriptSyntax has them):
//     request NAME [ARGS...]   sent through OzmCommunicator, waited for
//     activate | activate-manual | deactivate | cancel | reactivate MS
//                              the VPN session's own, as the application's
//                              windows call them; RESULT NAME true|false for
//                              those that answer
//     the commands of DiagnosticsProbe, when enabled
//     start | email ADDR | device NAME PASSWORD COUNT
//                              with the account flow: its start and the
//                              answers to its e-mail and device prompts
//                              (COUNT 1: a wrong password counts)
//     quit                     the end of input means the same
//   Output, one a line:
//     LINK connected|failed|lost
//     REPLY NAME [VALUES...]   NOREPLY NAME   ERROR TEXT
//     and one line for each signal of the client objects, added with them in
//     wireClients(): a kind and the signal's values, as STATE n, or
//     NETWORK v1..v8 (the network the client now believes in, in the order of
//     the backend's report), or POWER sleep|wake (from logind on the system bus,
//     which DBUS_SYSTEM_BUS_ADDRESS may name), or the VPN session's: STATE n,
//     STATS session total, SERVER host cluster, FAILED kind [values] (kinds:
//     activation, forced, epic, authentication, network, device, openvpn,
//     inactive), LOCATION ip description country, SERVERS count, the
//     diagnostics' lines (DiagnosticsProbe) when enabled, and with the
//     account flow WELCOME and the word of each of its signals (as
//     journalWelcomeCtl() has them).
// With an account the session asks the service (the address in "licenseserver"
// of the data folder) for the location, and with it the servers, at start.
class ClientProbe : public QObject
{
    Q_OBJECT
public:
    enum ExitCode { Quit = 0, BadUsage = 1, LinkFailed = 2, LinkLost = 3 };

    // The signed-in account; no e-mail: no session with the service.
    struct Account
    {
        QString email;
        // As the service encrypted it.
        QString password;
        // Config::ActivateOption; -1 leaves the stored one.
        int activateOption = -1;
        // The device's serial from the service; empty leaves none.
        QString serial;
        // The account flow decides on activation, as in the application;
        // without it every request for one activates.
        bool accountFlow = false;
    };

    explicit ClientProbe(const Account& account, QObject* parent = nullptr);
    ~ClientProbe() override;

    // Builds the link and starts reading input; false when the link does not run.
    bool start();
    // Adds the commands of DiagnosticsProbe to the session's, before start();
    // needs a widget application.
    void enableDiagnostics() { m_withDiagnostics = true; }

signals:
    void finished(int exitCode);

private:
    // Where the client objects are created on the link and their signals become lines.
    void wireClients(Ozm& link);
    void wireSession();
    void printNetwork(const NetworkCtlClient& network);
    // False when the words are no session command.
    bool runSessionCommand(const QStringList& words);
    // False when the words are no command of the account flow, or there is none.
    bool runWelcomeCommand(const QStringList& words);
    void onLine(const QString& line);
    void runNext();
    void runRequest(const QStringList& words);
    void finish(int exitCode);
    void print(const QString& kind, const QStringList& words = {});
    // Values as words that read back as they were, blanks and all.
    void printValues(const QString& kind, const QStringList& values);

    const Account m_account;
    QSharedPointer<ClientAuthData> m_authData;
    QSharedPointer<HttpAccess> m_access;
    QSharedPointer<VpnServerList> m_servers;
    QSharedPointer<QString> m_clientIp;
    LocationStatusUpdater* m_location = nullptr;
    DiagnosticsProbe* m_diagnostics = nullptr;
    bool m_withDiagnostics = false;
    WelcomeCtl* m_welcome = nullptr;
    QTextStream m_out;
    QStringList m_input;
    bool m_busy = false;
    bool m_finished = false;
};
