#pragma once

#include "TestBed.h"

#include <StandInService.h>

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

class WebHostStandIn;

// What a test of a client on a test bed starts from, once for all its cases:
// the bed, the service stand-in with its address and CA where the client takes
// them, and the operator's web host in the servers' namespace answering the
// confirmation page. Its fixtures call these steps from their own slots; a
// failed check in one fails the slot that called it.
class ServiceBedTest : public QObject
{
    Q_OBJECT
protected:
    // Where the stand-in runs: on the client side, reached at 127.0.0.1, or in
    // the servers' namespace, reached under the service's host name as from a
    // machine of its own.
    enum class ServicePlace { ClientSide, ServerSide };

    explicit ServiceBedTest(TestBed::NameService nameService = TestBed::NameService::HostsFile,
                            ServicePlace servicePlace = ServicePlace::ClientSide);
    ~ServiceBedTest() override;

    // The bed, the service and the web host, then prepareBed().
    void setUpBed();
    void tearDownBed();
    // After a case, with its client gone: the service forgets the case's
    // requests and replies, the network is up, no openvpn is left, and the
    // stand-in found no broken request.
    void checkCaseEnd();

    // What a test adds to the bed before its first case; it runs last in
    // setUpBed, so a failed check in it fails there.
    virtual void prepareBed() {}
    // The stand-in's requests to path with that act, in order.
    QList<StandInRequest> requests(const QString& path, const QString& act = {}) const;

    std::unique_ptr<TestBed> bed;
    std::unique_ptr<StandInService> service;
    std::unique_ptr<WebHostStandIn> webHost;

private:
    const TestBed::NameService m_nameService;
    const ServicePlace m_servicePlace;
};
