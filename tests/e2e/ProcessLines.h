#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A program's output read line by line; each wait looks only past what an
// earlier wait found.
class ProcessLines
{
public:
    // The first line from here on that matches; empty when none came in time.
    QString next(const QString& pattern, int timeoutMs = 60000);
    // Whether a line from index from on matches, within the time; the cursor stays.
    bool seen(int from, const QString& pattern, int timeoutMs = 60000);
    QString transcript() const;

    QStringList lines;
    int cursor = 0;

protected:
    ProcessLines() = default;
    ~ProcessLines() = default;
    ProcessLines(const ProcessLines&) = delete;
    ProcessLines& operator=(const ProcessLines&) = delete;

    void readLines();

    QProcess process;
};
