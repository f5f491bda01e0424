#include "ProbeBedTest.h"

#include <FakeLogind.h>
#include <PrivateBus.h>

#include <QtTest>

ProbeBedTest::ProbeBedTest(TestBed::NameService nameService)
    : ServiceBedTest(nameService, ServicePlace::ClientSide)
{
}

ProbeBedTest::~ProbeBedTest() = default;

void ProbeBedTest::initTestCase()
{
    bus = std::make_unique<PrivateBus>();
    QVERIFY(bus->isRunning());
    bus->becomeSystemBus();
    logind = std::make_unique<FakeLogind>(bus->address());
    QVERIFY(logind->isRunning());
    setUpBed();
}

void ProbeBedTest::cleanupTestCase()
{
    probe.reset();
    tearDownBed();
    logind.reset();
    bus.reset();
}

void ProbeBedTest::cleanup()
{
    if (QTest::currentTestFailed() && probe)
        qWarning().noquote() << "probe:\n" << probe->transcript();
    probe.reset();
    checkCaseEnd();
}
