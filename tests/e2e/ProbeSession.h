#pragma once

#include "TestBed.h"

#include <QProcess>
#include <QStringList>

// The client probe on a test bed's client side, with the bed's application and
// data folders, read line by line; each wait looks only past what an earlier
// wait found. It is told to quit with the object.
class ProbeSession
{
public:
    ProbeSession(const TestBed& bed, const QStringList& arguments);
    ~ProbeSession();
    ProbeSession(const ProbeSession&) = delete;
    ProbeSession& operator=(const ProbeSession&) = delete;

    void send(const QByteArray& line);
    // The first line from here on that matches; empty when none came in time.
    QString next(const QString& pattern, int timeoutMs = 60000);
    // Whether a line from index from on matches, within the time; the cursor stays.
    bool seen(int from, const QString& pattern, int timeoutMs = 60000);
    QString transcript() const;

    QStringList lines;
    int cursor = 0;

private:
    void readLines();

    QProcess process;
};
