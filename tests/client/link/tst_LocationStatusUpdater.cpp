#include <ApiTestKit.h>
#include <ClientAuthData.h>
#include <CommandBench.h>
#include <HttpAccess.h>
#include <LocationStatusUpdater.h>
#include <SharedMetaTypes.h>

#include <QtTest>

namespace {

const char* const MobilePath = "/mobile/licMobile";
const QByteArray Place = "<location><ip>192.0.2.44</ip><description>Lyon, France</description>"
                         "<iso_country_code>FR</iso_country_code></location>";
const QByteArray Servers = "<vpnlist><server><name>Paris 1</name><hostname>fr1.vpn.invalid</hostname></server>"
                           "</vpnlist><clusters><cluster><name>Europe</name><servers><element>Paris 1</element>"
                           "</servers></cluster></clusters>";

} // namespace

// The location updater against the service stand-in. What it publishes is
// journaled as "identifying", "unknown", the address, and "servers n".
class tst_LocationStatusUpdater : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void publishes_data();
    void publishes();
    void disconnectedEndsTheWait();

private:
    int initRequests() const;

    std::unique_ptr<CommandBench> bench;
    QSharedPointer<HttpAccess> access;
    std::unique_ptr<LocationStatusUpdater> updater;
    QStringList journal;
};

void tst_LocationStatusUpdater::initTestCase()
{
    registerSharedMetaTypes();
    bench = std::make_unique<CommandBench>();
    access.reset(new HttpAccess(bench->service->url()));
}

void tst_LocationStatusUpdater::init()
{
    bench->service->reset();
    journal.clear();
    updater = std::make_unique<LocationStatusUpdater>();
    updater->init(access, QSharedPointer<ClientAuthData>::create());
    connect(updater.get(), &LocationStatusUpdater::locationUpdated, this, [this](const Location& location) {
        journal << (location == Location::identifying() ? QStringLiteral("identifying")
                    : location == Location::unknown()   ? QStringLiteral("unknown")
                                                        : location.ip);
    });
    connect(updater.get(), &LocationStatusUpdater::serversUpdated, this,
            [this](const QList<VpnServer>& servers) { journal << "servers " + QString::number(servers.size()); });
}

void tst_LocationStatusUpdater::cleanup()
{
    updater.reset();
    QCOMPARE(bench->service->violations(), QStringList());
}

int tst_LocationStatusUpdater::initRequests() const
{
    int count = 0;
    for (const StandInRequest& request : bench->service->requests())
        count += request.act == QLatin1String("init");
    return count;
}

void tst_LocationStatusUpdater::publishes_data()
{
    // Steps: "update", "state n". Replies to init, in the order they answer.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<QByteArray>>("replies");
    QTest::addColumn<QStringList>("expected");

    const QByteArray placeAndServers = CommandBench::resultOf(Place + Servers);
    QTest::newRow("at start, with the servers") << QStringList{"update"} << QList<QByteArray>{placeAndServers}
                                                << QStringList{"identifying", "192.0.2.44", "servers 1"};
    QTest::newRow("Activated: no servers") << QStringList{"state 4"} << QList<QByteArray>{placeAndServers}
                                           << QStringList{"identifying", "identifying", "192.0.2.44"};
    QTest::newRow("down again: servers 3 s later")
        << QStringList{"state 4", "state 2"} << QList<QByteArray>{placeAndServers, placeAndServers}
        << QStringList{"identifying", "identifying", "192.0.2.44", "identifying", "identifying", "192.0.2.44",
                       "servers 1"};
    // Without servers in the reply the client's list stays as it is.
    QTest::newRow("a reply without servers") << QStringList{"update"}
                                             << QList<QByteArray>{CommandBench::resultOf(Place)}
                                             << QStringList{"identifying", "192.0.2.44"};
    QTest::newRow("success without a location, nothing known")
        << QStringList{"update"} << QList<QByteArray>{CommandBench::resultOf(Servers)}
        << QStringList{"identifying", "unknown"};
    QTest::newRow("success without a location keeps the last")
        << QStringList{"update", "update"}
        << QList<QByteArray>{CommandBench::resultOf(Place), CommandBench::resultOf(Servers)}
        << QStringList{"identifying", "192.0.2.44", "identifying", "192.0.2.44"};
    QTest::newRow("failure while Disconnected: once") << QStringList{"update"} << QList<QByteArray>{"not xml at all"}
                                                      << QStringList{"identifying", "unknown"};
    QTest::newRow("failure while Activated: again 2 s later")
        << QStringList{"state 4"} << QList<QByteArray>{"not xml at all", CommandBench::resultOf(Place)}
        << QStringList{"identifying", "identifying", "unknown", "identifying", "192.0.2.44"};
    QTest::newRow("Activating drops the request") << QStringList{"state 4", "state 3"} << QList<QByteArray>{}
                                                  << QStringList{"identifying", "identifying", "identifying"};
}

void tst_LocationStatusUpdater::publishes()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<QByteArray>, replies);
    QFETCH(QStringList, expected);

    // The newest scripted reply answers first; without any the request waits.
    if (replies.isEmpty())
        bench->service->reply(StandInReply("GET", MobilePath).act("init").stall());
    for (auto reply = replies.crbegin(); reply != replies.crend(); ++reply)
        bench->service->reply(StandInReply("GET", MobilePath).act("init").xml(*reply).times(1));
    for (int i = 0; i < steps.size(); ++i) {
        const QString& step = steps.at(i);
        const int before = journal.size();
        if (step == "update")
            updater->update();
        else
            updater->setActivationState(ActivationState(step.section(' ', 1).toInt()));
        // The next step once this one's request, if any, has answered.
        if (!replies.isEmpty() && i + 1 < steps.size())
            QTRY_VERIFY(journal.size() > before + 1 && journal.last() != "identifying");
    }
    QTRY_COMPARE_WITH_TIMEOUT(journal, expected, 10000);
    QTest::qWait(100);
    QCOMPARE(journal, expected);
    // A request the stand-in holds is recorded once answered, which it never is.
    QCOMPARE(initRequests(), replies.size());
}

// Disconnected after Deactivated: the request due 3 s later never goes.
void tst_LocationStatusUpdater::disconnectedEndsTheWait()
{
    updater->setActivationState(Deactivated);
    updater->setActivationState(Disconnected);
    QTest::qWait(LocationStatusUpdater::AfterDeactivationMs + 500);
    QCOMPARE(initRequests(), 0);
    QCOMPARE(journal, (QStringList{"identifying", "unknown"}));
}

QTEST_GUILESS_MAIN(tst_LocationStatusUpdater)

#include "tst_LocationStatusUpdater.moc"
