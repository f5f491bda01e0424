#include <ApiTestKit.h>
#include <FakeLogind.h>
#include <FakePowerPlatform.h>
#include <LogindPowerPlatform.h>
#include <PowerNotifier.h>
#include <PrivateBus.h>

#include <QtDBus>
#include <QtTest>

#include <cstdio>

namespace {

QDBusMessage prepareForSleep(bool start)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                     QStringLiteral("org.freedesktop.login1.Manager"),
                                                     QStringLiteral("PrepareForSleep"));
    signal << start;
    return signal;
}

} // namespace

// Sleep and wake from a scripted logind on a private bus that stands in for the
// system bus.
class tst_PowerNotifier : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void sleepAndWake();
    void impostorIsIgnored();
    void withoutLogind();
    void otherPlatform();

private:
    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<FakeLogind> logind;
    int lock = 0;
};

void tst_PowerNotifier::initTestCase()
{
    bus = std::make_unique<PrivateBus>();
    QVERIFY(bus->isRunning());
    bus->becomeSystemBus();
    logind = std::make_unique<FakeLogind>(bus->address());
    QVERIFY(logind->isRunning());

    // Made on first use, on the system bus: the delay lock is taken at once.
    PowerNotifier* const notifier = PowerNotifier::instance();
    QCOMPARE(PowerNotifier::instance(), notifier);
    QTRY_COMPARE(logind->inhibitCalls().size(), 1);
    const QStringList inhibit = logind->inhibitCalls().first();
    QCOMPARE(inhibit.size(), 4);
    QCOMPARE(inhibit.at(0), QString("sleep"));
    QCOMPARE(inhibit.at(1), QCoreApplication::applicationName());
    QCOMPARE(inhibit.at(3), QString("delay"));
    QVERIFY(logind->isHeld(0));
}

// Every case begins with a notifier that follows logind afresh; the lock of the
// platform it replaces is given back.
void tst_PowerNotifier::init()
{
    PowerNotifier::usePlatform(std::make_unique<LogindPowerPlatform>(QDBusConnection::systemBus()));
    QTRY_COMPARE(logind->inhibitCalls().size(), lock + 2);
    QVERIFY(!logind->isHeld(lock));
    lock = logind->inhibitCalls().size() - 1;
    QVERIFY(logind->isHeld(lock));
}

void tst_PowerNotifier::cleanupTestCase()
{
    logind.reset();
}

// The lock is held while the receivers of the sleep run, even while they wait in
// an event loop of their own as a backend request does; it is given back once
// they return and taken anew on wake.
void tst_PowerNotifier::sleepAndWake()
{
    PowerNotifier* const notifier = PowerNotifier::instance();
    QSignalSpy sleeps(notifier, &PowerNotifier::systemSleep);
    QSignalSpy wakes(PowerNotifier::instance(), &PowerNotifier::systemWake);
    bool heldThroughReceiver = false;
    const QObject receiver;
    connect(notifier, &PowerNotifier::systemSleep, &receiver, [this, &heldThroughReceiver] {
        QTest::qWait(300);
        heldThroughReceiver = logind->isHeld(lock);
    });

    QVERIFY(logind->prepareForSleep(true));
    QVERIFY(sleeps.wait(5000));
    QVERIFY(heldThroughReceiver);
    QTRY_VERIFY(!logind->isHeld(lock));

    QVERIFY(logind->prepareForSleep(false));
    QVERIFY(wakes.wait(5000));
    QCOMPARE(sleeps.count(), 1);
    QCOMPARE(wakes.count(), 1);
    QTRY_COMPARE(logind->inhibitCalls().size(), lock + 2);
    QVERIFY(logind->isHeld(lock + 1));
    lock = lock + 1;
}

void tst_PowerNotifier::impostorIsIgnored()
{
    QSignalSpy sleeps(PowerNotifier::instance(), &PowerNotifier::systemSleep);
    QVERIFY(PrivateBus::sendAndSettle(bus->connect("impostor"), prepareForSleep(true), QDBusConnection::systemBus()));
    QCOMPARE(sleeps.count(), 0);
    QVERIFY(logind->isHeld(lock));
}

// No logind on the bus, or no bus at all: a line in the log, and no signals.
void tst_PowerNotifier::withoutLogind()
{
    const PrivateBus bare;
    QVERIFY(bare.isRunning());
    QSignalSpy sleeps(PowerNotifier::instance(), &PowerNotifier::systemSleep);
    const MessageCapture log;
    PowerNotifier::usePlatform(std::make_unique<LogindPowerPlatform>(bare.connect("client")));
    QTRY_COMPARE(log.messages(QtWarningMsg).size(), 1);
    QVERIFY(log.messages(QtWarningMsg).first().startsWith(
        "PowerNotifier: logind gives no sleep delay, sleep and wake are not followed: "
        "org.freedesktop.DBus.Error.ServiceUnknown"));
    QVERIFY(PrivateBus::sendAndSettle(bare.connect("impostor"), prepareForSleep(true), bare.connect("client")));

    PowerNotifier::usePlatform(std::make_unique<LogindPowerPlatform>(QDBusConnection("no such bus")));
    QCOMPARE(log.messages(QtWarningMsg).size(), 2);
    QVERIFY(log.messages(QtWarningMsg).last().startsWith(
        "PowerNotifier: no system bus, sleep and wake are not followed:"));
    QCOMPARE(sleeps.count(), 0);
}

void tst_PowerNotifier::otherPlatform()
{
    QSignalSpy sleeps(PowerNotifier::instance(), &PowerNotifier::systemSleep);
    QSignalSpy wakes(PowerNotifier::instance(), &PowerNotifier::systemWake);
    auto fake = std::make_unique<FakePowerPlatform>();
    FakePowerPlatform* const platform = fake.get();
    PowerNotifier::usePlatform(std::move(fake));

    platform->sleep();
    platform->wake();
    // The platform it followed before is gone.
    QVERIFY(PrivateBus::sendAndSettle(logind->connection(), prepareForSleep(true), QDBusConnection::systemBus()));
    QCOMPARE(sleeps.count(), 1);
    QCOMPARE(wakes.count(), 1);
}

// The notifier must go with the application object, while the bus connections
// its platform uses are still there, not after it as a static would.
int main(int argc, char** argv)
{
    auto application = std::make_unique<QCoreApplication>(argc, argv);
    int result = 0;
    {
        tst_PowerNotifier test;
        result = QTest::qExec(&test, argc, argv);
    }
    bool dropped = false;
    QObject::connect(PowerNotifier::instance(), &QObject::destroyed, [&dropped] { dropped = true; });
    application.reset();
    if (!dropped) {
        std::fputs("FAIL!  : the power notifier outlived the application\n", stderr);
        return 1;
    }
    return result;
}

#include "tst_PowerNotifier.moc"
