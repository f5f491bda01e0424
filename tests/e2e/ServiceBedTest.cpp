#include "ServiceBedTest.h"

#include "Poll.h"

#include <ApiTestKit.h>
#include <WebHostStandIn.h>

#include <QtTest>

ServiceBedTest::ServiceBedTest(TestBed::NameService nameService, ServicePlace servicePlace)
    : m_nameService(nameService)
    , m_servicePlace(servicePlace)
{
}

ServiceBedTest::~ServiceBedTest() = default;

void ServiceBedTest::setUpBed()
{
    bed = std::make_unique<TestBed>(m_nameService);
    QCOMPARE(bed->setUp(), QString());
    const bool serverSide = m_servicePlace == ServicePlace::ServerSide;
    service = std::make_unique<StandInService>(
        [this, serverSide](QProcess& process, const QString& program, const QStringList& arguments) {
            if (serverSide)
                bed->startOnServerSide(process, program, arguments);
            else
                bed->start(process, program, arguments);
        },
        serverSide ? TestBed::ServerHost : QString());
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

void ServiceBedTest::tearDownBed()
{
    webHost.reset();
    service.reset();
    bed.reset();
}

void ServiceBedTest::checkCaseEnd()
{
    // The service forgets this case's requests and replies before anything is
    // judged: a failed check returns at once and must not leave them to the next.
    const QStringList violations = service->violations();
    service->reset();
    QVERIFY(bed->setNetworkUp(true));
    QVERIFY(Poll::until([this] { return bed->pids("openvpn").isEmpty(); }, 20000));
    QCOMPARE(violations, QStringList());
}

QList<StandInRequest> ServiceBedTest::requests(const QString& path, const QString& act) const
{
    QList<StandInRequest> found;
    for (const StandInRequest& request : service->requests())
        if (request.path == path && request.act == act)
            found << request;
    return found;
}
