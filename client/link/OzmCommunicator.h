#pragma once

#include <QEventLoop>
#include <QObject>
#include <QStringList>

// One backend request from the application's thread, waited for there: the
// request goes to the link's thread, and the caller waits in a nested event loop,
// without a time limit, for the reply's values. The link answers a waiting request
// with no values when the backend goes away, which ends the wait.
class OzmCommunicator : public QObject
{
    Q_OBJECT
public:
    // name must outlive the communicator.
    explicit OzmCommunicator(const char* name);

    // Sends the name with a1 and then a2 as arguments, each only while it and those
    // before it are not null strings (an empty string is sent as an empty line).
    bool request(const QString& a1 = QString(), const QString& a2 = QString());
    // lines: the name and the arguments. True once the reply came; false when the
    // link is absent or not running (nothing is sent) or the wait ended without
    // a reply, as when the application quits meanwhile.
    bool invoke(const QStringList& lines);
    // The reply's values; empty before a reply and after a lost link.
    const QStringList& answer() const { return m_answer; }

public slots:
    void invokeOzmSendRequest(const QStringList& lines);
    void notify(const QStringList& answer);

private:
    const char* const m_name;
    QEventLoop m_loop;
    QStringList m_answer;
    bool m_answered = false;
};
