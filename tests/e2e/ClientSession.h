#pragma once

#include "ProcessLines.h"
#include "TestBed.h"

#include <QString>
#include <QStringList>

// The installed desktop client on a test bed's client side, run as the bed's
// unprivileged user with a home of its own, its output and log read line by
// line. A client still running when the object goes is terminated, and killed
// when that does not end it.
class ClientSession : public ProcessLines
{
public:
    ClientSession(const TestBed& bed, const QString& home, const QStringList& arguments = {});
    ~ClientSession();

    // Whether the main window shows that screen ("ScreenReady", ...) from here on
    // within the time.
    bool showed(const QString& screen, int timeoutMs = 60000);
    // Whether its VPN session turns to that state (a pattern: "Activated",
    // "(StateSecure|Deactivated)") from here on within the time.
    bool turned(const QString& state, int timeoutMs = 60000);
    // Its exit code once it ends within the time; -1 when it does not or crashes.
    int exitCode(int timeoutMs = 60000);

private:
    const TestBed& m_bed;
};
