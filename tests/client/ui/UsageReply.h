#pragma once

#include "DataSession.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Usage sessions as tests and the window tool write them, turned into the
// service's usage reply (so that every value takes the client's own parsing
// path) or straight into sessions for the graph.
namespace UsageReply {

// One session as text: start as ISO date and time (any zone; an unreadable
// one travels as it is), duration in seconds, traffic and savings in MB, ads blocked.
struct Row
{
    QString start;
    QString duration = QStringLiteral("0");
    QString traffic = QStringLiteral("0");
    QString savings;
    QString adHits;
};

// Lines "start<TAB>duration<TAB>traffic[<TAB>savings<TAB>ad hits]"; empty
// lines and lines from "#" on are skipped. False and error on a bad file.
bool readTsv(const QString& path, QList<Row>* rows, QString* error);

// What a successful usage reply holds inside its result element: both lists.
QByteArray children(const QList<Row>& current, const QList<Row>& all);

// What the graph is handed: starts in local time, figures read as the text says.
QList<DataSession> sessions(const QList<Row>& rows);

// Local time in Europe/Berlin, a zone with daylight saving, and month names
// in English, for the whole test process. Call before anything reads the clock.
void useBerlinTime();

} // namespace UsageReply
