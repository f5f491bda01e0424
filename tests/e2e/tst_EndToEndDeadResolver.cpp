#include "EndToEndTest.h"

#include <ConnectionPhysicalState.h>
#include <LinkProtocol.h>
#include <VpnAuthFailedClientAnswer.h>
#include <VpnCluster.h>
#include <VpnServer.h>

#include <QtTest>

namespace Event = LinkProtocol::Event;
namespace Request = LinkProtocol::Request;

namespace {

// How long the desktop client may wait for any reply but the activation's, which
// comes once openvpn has started; and for the idle state once a deactivation is answered.
constexpr qint64 ReplyLimitMs = 500;
constexpr qint64 IdleLimitMs = 2000;

QString noInternet()
{
    return QString::number(int(NoInternetConnection));
}

} // namespace

// A name server that never answers, as behind a captive portal: the operator's web
// host does not resolve, and the desktop client is answered as fast as ever and
// told there is no Internet.
class tst_EndToEndDeadResolver : public EndToEndTest
{
    Q_OBJECT
public:
    tst_EndToEndDeadResolver()
        : EndToEndTest(Start::Session, TestBed::NameService::DeadServer)
    {
    }

private slots:
    void noReplyWaitsForTheNameServer();

private:
    struct Call
    {
        const char* name;
        QStringList arguments;
    };

    // Sends the requests one after the other, each once the one before is answered; empty when every reply came in time.
    QString answeredInTime(const QList<Call>& calls);

    qint64 lastReplyMs = 0;
    qint64 slowestReplyMs = 0;
};

QString tst_EndToEndDeadResolver::answeredInTime(const QList<Call>& calls)
{
    LinkSession& link = session->link();
    for (const Call& call : calls) {
        const qint64 sent = link.elapsedMs();
        link.request(QLatin1String(call.name), call.arguments);
        const std::optional<qint64> received = link.waitForReply(QLatin1String(call.name), 10 * ReplyLimitMs);
        if (!received)
            return QStringLiteral("no reply to %1").arg(QLatin1String(call.name));
        lastReplyMs = *received;
        slowestReplyMs = qMax(slowestReplyMs, *received - sent);
        if (*received - sent > ReplyLimitMs)
            return QStringLiteral("%1 answered after %2 ms").arg(QLatin1String(call.name)).arg(*received - sent);
    }
    return {};
}

void tst_EndToEndDeadResolver::noReplyWaitsForTheNameServer()
{
    VpnServer server;
    server.name = QStringLiteral("server0");
    server.host = TestBed::ServerHost;
    VpnCluster cluster;
    cluster.name = QStringLiteral("Testbed");
    cluster.servers = QStringList{server.name};

    QString late = answeredInTime({
        {Request::InitialActivationState, {}},
        {Request::SetServersList, {server.toString(), cluster.toString()}},
        {Request::SetCurrentCluster, {cluster.name}},
        {Request::ResetReconnectionLogic, {}},
        {Request::GetNextReconnectionServer, {server.toString()}},
        {Request::UpdateVpnStatistics, {}},
        {Request::ActivateWifiAdapter, {}},
        {Request::VpnActivateOnInternetExisted, {}},
        // A password the service calls valid makes the backend ask whether the Internet is there.
        {Request::OnVpnAuthFailedAnswer, {QString::number(AnswerPasswordValid)}},
        {Request::VpnReactivate, {QStringLiteral("1000")}},
        {Request::VpnDeactivate, {}},
    });
    QVERIFY2(late.isEmpty(), qPrintable(late));

    LinkSession& link = session->link();
    QVERIFY(session->activateAndWait());
    late = answeredInTime({{Request::InitialActivationState, {}}, {Request::UpdateVpnStatistics, {}}});
    QVERIFY2(late.isEmpty(), qPrintable(late));
    link.skipPendingEvents();
    late = answeredInTime({{Request::VpnDeactivate, {}}});
    QVERIFY2(late.isEmpty(), qPrintable(late));
    const auto idle =
        link.nextEvent(QLatin1String(Event::ActivationStateChanged), {BackendSession::state(session->idleState())});
    QVERIFY(idle);
    QVERIFY2(idle->receivedMs - lastReplyMs <= IdleLimitMs,
             qPrintable(QStringLiteral("idle %1 ms after the reply").arg(idle->receivedMs - lastReplyMs)));
    const auto report = link.nextEvent(QLatin1String(Event::LocalConnectionIsChanged));
    QVERIFY(report);
    QCOMPARE(report->values.value(0), noInternet());
    qInfo().noquote() << QStringLiteral("slowest reply: %1 ms").arg(slowestReplyMs);

    QVERIFY(session->tunnelGone());
    link.close();
    QCOMPARE(session->backendExitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_EndToEndDeadResolver)
#include "tst_EndToEndDeadResolver.moc"
