#pragma once

#include "BedDesktop.h"
#include "ClientSession.h"
#include "ServiceBedTest.h"

#include <QString>
#include <QStringList>

#include <memory>

// What a test of the installed desktop client on a test bed starts from: the
// service bed with the stand-in in the servers' namespace, the client installed
// into the bed as root's with its backend set-uid. Each case gets a fresh tray
// on the test's own display and a fresh home of the bed's unprivileged user,
// holding "licenseserver" in its data folder. After each case the client is gone
// (terminated when still running), a failed case prints what it said, and the
// bed is as the service bed leaves it.
class ClientBedTest : public ServiceBedTest
{
    Q_OBJECT
protected:
    explicit ClientBedTest(TestBed::NameService nameService = TestBed::NameService::HostsFile);
    ~ClientBedTest() override;

    // The client's windows by title.
    static const QString MainWindow;
    static const QString FirstRunGuide;
    static const QString StatusWindow;

    // The case's home; the client's data folder is in it.
    QString home() const;
    QString dataFolder() const;
    // Starts the client (again) as the bed's user in the case's home.
    std::unique_ptr<ClientSession> startClient(const QStringList& arguments = {}) const;
    // The service knows the account at email, its servers those hosts (the
    // first one the setup's), with no device until the client registers one.
    void serveAccount(const QString& email, const QStringList& hosts);
    // A first start of the client through the e-mail and device prompts, the
    // first-run guide closed, to its icon in the tray; the case has failed when
    // it does not get there. Screenshots are named after shotPrefix.
    void signIn(const QString& email, const QString& password, const QString& shotPrefix);
    // From idle through the tray's first entry (Activate) to Encrypted in the
    // status window, with the default route in the tunnel.
    void activate(const QString& shotName);

    std::unique_ptr<BedDesktop> desktop;
    std::unique_ptr<ClientSession> client;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
};
