#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

// The backend's log as the client receives it, on the log connection or from the
// backend's own output: a message a line, opened by the digit of its type (0
// debug, 1 warning, 2 critical, 3 fatal, 4 info). A message of several lines goes
// on in lines without a digit; they belong to the message before them.
class BackendLogReader
{
public:
    struct Line
    {
        int type = 0;           // the type of the message the line belongs to
        bool continued = false; // the line carried no digit of its own
        QString text;
    };

    // A line that goes on longer is taken in pieces of this size.
    static constexpr int MaxLineBytes = 64 * 1024;

    // The lines these bytes complete, oldest first.
    QList<Line> feed(const QByteArray& bytes);

    // The level a line of the type has in the client log.
    static QtMsgType level(int type);
    // Writes the line to the client log at its level, marked as the backend's.
    static void log(const Line& line);

private:
    Line take(QByteArray bytes);

    QByteArray m_partial;
    int m_type = 0;
};
