#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

class TestBed;

// The scripted NetworkManager (ozm_scripted_nm) on a bed's client-side system
// bus, the one the set-uid backend finds at its usual place: the bus and the
// program start with the object and end with it. Its lines (READY, CALL ...)
// are read as they come.
class BedNetworkManager
{
public:
    explicit BedNetworkManager(const TestBed& bed);
    ~BedNetworkManager();
    BedNetworkManager(const BedNetworkManager&) = delete;
    BedNetworkManager& operator=(const BedNetworkManager&) = delete;

    // Whether the bus listens and the program has taken its name on it.
    bool isReady();
    // Whether the program says that line within the time.
    bool heard(const QString& line, int timeoutMs = 30000);
    // Whether the program ends within the time once its input is closed.
    bool ends();
    // What it said so far, a line an entry.
    QStringList said() const { return m_said; }

private:
    QProcess m_bus;
    QProcess m_program;
    QStringList m_said;
    bool m_busListens = false;
};
