#pragma once

#include "LinkSession.h"
#include "TestBed.h"

#include <ActivationState.h>

#include <QProcess>

#include <memory>

// What the desktop client does at its start, on a fresh test bed: the backend
// started from the bed's application folder and a link session opened to it. The
// bed's routes and resolver file from before are kept, to compare with once the
// tunnel is gone.
class BackendSession
{
public:
    explicit BackendSession(TestBed::NameService nameService = TestBed::NameService::HostsFile,
                            TestBed::ProcessView processView = TestBed::ProcessView::Private);
    ~BackendSession();

    // Empty when the backend runs and the link passed the handshake, else why not:
    // setUp(), startBackend() and openLink() in a row.
    QString begin();
    QString setUp();
    void startBackend();
    QString openLink();
    // Whether the backend's own output (what it logs with no client to take it)
    // holds `text` within the time.
    bool backendPrinted(const QString& text, int timeoutMs = 10000);

    TestBed& bed() { return m_bed; }
    LinkSession& link() { return *m_link; }

    // The idle state the backend reported at the start of the session.
    ActivationState idleState() const { return m_idle; }
    static QString state(ActivationState state) { return QString::number(int(state)); }

    void activate(const QString& host, const QString& password = TestBed::Password);
    // Waits for Activating and then Activated.
    bool activateAndWait(const QString& host = TestBed::ServerHost);

    // No openvpn left on the client side.
    bool tunnelGone(int timeoutMs = 15000);
    // The client side's routing table and resolver file before the session began.
    const QString& routesBefore() const { return m_routesBefore; }
    const QByteArray& resolvConfBefore() const { return m_resolvConfBefore; }

    // The backend's exit code once it has ended within the time, else -1.
    int backendExitCode(int timeoutMs = 15000);
    // The link client's transcript and the backend's own output, for failure messages.
    QByteArray report() const;

private:
    TestBed m_bed;
    QProcess m_backend;
    QByteArray m_backendOutput;
    std::unique_ptr<LinkSession> m_link;
    ActivationState m_idle = Disconnected;
    QString m_routesBefore;
    QByteArray m_resolvConfBefore;
};
