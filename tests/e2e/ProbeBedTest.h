#pragma once

#include "ProbeSession.h"
#include "TestBed.h"

#include <StandInService.h>

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class FakeLogind;
class PrivateBus;
class WebHostStandIn;

// What a test of the client probe on a test bed starts from, once for all its
// cases: logind on a private system bus, the bed, the service stand-in on the
// bed's client side with its address and CA where the client takes them, and
// the operator's web host in the servers' namespace answering the confirmation
// page. After each case the probe quits, a failed case prints what the probe
// said, no openvpn is left, and the stand-in found no broken request.
class ProbeBedTest : public QObject
{
    Q_OBJECT
protected:
    explicit ProbeBedTest(TestBed::NameService nameService = TestBed::NameService::HostsFile);
    ~ProbeBedTest() override;

    // What a test adds to the bed before its first case; it runs last in
    // initTestCase, so a failed check in it fails there.
    virtual void prepareBed() {}
    // The stand-in's requests to path with that act, in order.
    QList<StandInRequest> requests(const QString& path, const QString& act = {}) const;

    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<FakeLogind> logind;
    std::unique_ptr<TestBed> bed;
    std::unique_ptr<StandInService> service;
    std::unique_ptr<WebHostStandIn> webHost;
    std::unique_ptr<ProbeSession> probe;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

private:
    const TestBed::NameService m_nameService;
};
