#pragma once

#include "ProbeSession.h"
#include "ServiceBedTest.h"

#include <memory>

class FakeLogind;
class PrivateBus;

// What a test of the client probe on a test bed starts from: the service bed
// with the stand-in on the bed's client side, and logind on a private system
// bus. After each case the probe quits and a failed case prints what it said.
class ProbeBedTest : public ServiceBedTest
{
    Q_OBJECT
protected:
    explicit ProbeBedTest(TestBed::NameService nameService = TestBed::NameService::HostsFile);
    ~ProbeBedTest() override;

    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<FakeLogind> logind;
    std::unique_ptr<ProbeSession> probe;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
};
