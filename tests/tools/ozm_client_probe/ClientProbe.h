#pragma once

#include <QObject>
#include <QStringList>
#include <QTextStream>

class NetworkCtlClient;
class Ozm;

// The desktop client without its windows, for tests and people. It builds the
// link, and the client objects that use it, in the order and with the wiring of
// the application, runs the requests it reads from standard input and prints a
// line for everything the client sees.
//   Input, one a line (words as LinkScriptSyntax has them):
//     request NAME [ARGS...]   sent through OzmCommunicator, waited for
//     quit                     the end of input means the same
//   Output, one a line:
//     LINK connected|failed|lost
//     REPLY NAME [VALUES...]   NOREPLY NAME   ERROR TEXT
//     and one line for each signal of the client objects, added with them in
//     wireClients(): a kind and the signal's values, as STATE n, or
//     NETWORK v1..v8 (the network the client now believes in, in the order of
//     the backend's report), or POWER sleep|wake (from logind on the system bus,
//     which DBUS_SYSTEM_BUS_ADDRESS may name).
class ClientProbe : public QObject
{
    Q_OBJECT
public:
    enum ExitCode { Quit = 0, BadUsage = 1, LinkFailed = 2, LinkLost = 3 };

    explicit ClientProbe(QObject* parent = nullptr);

    // Builds the link and starts reading input; false when the link does not run.
    bool start();

signals:
    void finished(int exitCode);

private:
    // Where the client objects are created on the link and their signals become lines.
    void wireClients(Ozm& link);
    void printNetwork(const NetworkCtlClient& network);
    void onLine(const QString& line);
    void runNext();
    void runRequest(const QStringList& words);
    void finish(int exitCode);
    void print(const QString& kind, const QStringList& words = {});
    // Values as words that read back as they were, blanks and all.
    void printValues(const QString& kind, const QStringList& values);

    QTextStream m_out;
    QStringList m_input;
    bool m_busy = false;
    bool m_finished = false;
};
