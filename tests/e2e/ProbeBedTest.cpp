#include "ProbeBedTest.h"

#include "Poll.h"

#include <ApiTestKit.h>
#include <FakeLogind.h>
#include <PrivateBus.h>
#include <WebHostStandIn.h>

#include <QtTest>

ProbeBedTest::ProbeBedTest(TestBed::NameService nameService)
    : m_nameService(nameService)
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
    bed = std::make_unique<TestBed>(m_nameService);
    QCOMPARE(bed->setUp(), QString());
    service = std::make_unique<StandInService>(
        [this](QProcess& process, const QString& program, const QStringList& arguments) {
            bed->start(process, program, arguments);
        });
    QVERIFY(service->isRunning());
    writeFile(bed->appDir() + "/certs/test-ca.pem", contentOf(service->appFolder() + "/certs/test-ca.pem"));
    writeFile(bed->dataDir() + "/licenseserver", contentOf(service->dataFolder() + "/licenseserver"));
    // Without its page the account flow takes the network for one behind a
    // log-in page and never finishes its configuration.
    webHost = std::make_unique<WebHostStandIn>(
        TestBed::ServerHost, bed->appDir(), QByteArray("Your connection is confirmed."),
        [this](QProcess& process, const QString& program, const QStringList& arguments) {
            bed->startOnServerSide(process, program, arguments);
        });
    QVERIFY(webHost->isRunning());
    prepareBed();
}

void ProbeBedTest::cleanupTestCase()
{
    probe.reset();
    webHost.reset();
    service.reset();
    bed.reset();
    logind.reset();
    bus.reset();
}

void ProbeBedTest::cleanup()
{
    if (QTest::currentTestFailed() && probe)
        qWarning().noquote() << "probe:\n" << probe->transcript();
    probe.reset();
    // The service forgets this case's requests and replies before anything is
    // judged: a failed check returns at once and must not leave them to the next.
    const QStringList violations = service->violations();
    service->reset();
    QVERIFY(bed->setNetworkUp(true));
    QVERIFY(Poll::until([this] { return bed->pids("openvpn").isEmpty(); }, 20000));
    QCOMPARE(violations, QStringList());
}

QList<StandInRequest> ProbeBedTest::requests(const QString& path, const QString& act) const
{
    QList<StandInRequest> found;
    for (const StandInRequest& request : service->requests())
        if (request.path == path && request.act == act)
            found << request;
    return found;
}
