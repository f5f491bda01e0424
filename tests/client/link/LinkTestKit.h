#pragma once

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

class Ozm;

// An application folder whose backend program is a shell script (or none), and a
// data folder private to the user; both are the client's folders while it lives.
class ClientFolders
{
public:
    // Without a body there is no backend program to start.
    explicit ClientFolders(const QByteArray& backendScript = "exit 0", const QString& appFolderName = "app");
    ~ClientFolders();

    QString appFolder() const;
    QString dataFolder() const;
    QString backendProgram() const;

private:
    QTemporaryDir m_root;
    QString m_appFolderName;
};

// Stands in for the client objects that use the link: it registers for the two
// events the backend sends first and writes down, in the order things happen on
// the application's thread, each event with the values its slot read, every
// answer to a request and the link's fatal signal. Entries are the kind and the
// values, joined with '|': "STATE|4", "NETWORK|0|0|...", "ANSWER", "REPLY|NAME|2",
// "NOREPLY|NAME", "FATAL".
class LinkUser : public QObject
{
    Q_OBJECT
public:
    static const QString State;
    static const QString Network;

    // Registers both events and follows the link's fatal signal.
    void attach(Ozm& link);
    // Through OzmCommunicator, waiting; the entry is written once it returns.
    bool ask(const QString& name, const QStringList& arguments = {});
    // Straight to the link; the answer is written when the slot is called.
    void send(const QString& name, const QStringList& arguments = {});

    bool waitForEntries(int count, int timeoutMs = 5000) const;
    // The entries once no more have come for settleMs.
    QStringList settledJournal(int settleMs = 200) const;

    QStringList journal;
    QStringList lastAnswer;

public slots:
    void onActivationStateChanged();
    void onLocalConnectionIsChanged();
    void notify(const QStringList& answer);

private:
    void write(const QString& kind, const QStringList& values);
};

// Starts the link and says why it is not running when it is not.
QString startLink();

// The network state client's record, in the order of a report's values.
QStringList heldNetworkReport();
