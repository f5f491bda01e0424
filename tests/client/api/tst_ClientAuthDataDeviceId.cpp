#include "ApiTestKit.h"

#include <ClientAuthData.h>
#include <FakeHostFacts.h>
#include <HostProbes.h>
#include <PrivateNamespaces.h>

#include <QFile>
#include <QtTest>

// The device id of a machine without one of its own: the functions run in
// order, since the first id found stays for the life of the process.
class tst_ClientAuthDataDeviceId : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void emptyWhenNeitherSourceAnswers();
    void triedAgainWhileEmpty();
    void hardwareAddressesWithoutUuid();
    void cachedAgainstChangedPlatform();

private:
    FakeHostFacts facts;
};

void tst_ClientAuthDataDeviceId::initTestCase()
{
    setHostFacts(&facts);
    QVERIFY(GetPlatformUUID().isEmpty());
}

void tst_ClientAuthDataDeviceId::emptyWhenNeitherSourceAnswers()
{
    const MessageCapture log;
    const ClientAuthData account;
    QVERIFY(account.deviceId().isEmpty());
    QVERIFY(!account.isDevIdValid());
    QCOMPARE(log.messages(QtDebugMsg), QStringList{"ERROR Device Id is empty: Empty UUID, Empty MAC"});
}

void tst_ClientAuthDataDeviceId::triedAgainWhileEmpty()
{
    const MessageCapture log;
    QVERIFY(ClientAuthData::generateDeviceId(true).isEmpty());
    QVERIFY(log.messages(QtCriticalMsg).contains("ERROR Device Id is empty: Empty UUID, Empty MAC"));
}

void tst_ClientAuthDataDeviceId::hardwareAddressesWithoutUuid()
{
    QVERIFY(PrivateNamespaces::ipBatch(
        {"link add a0 address 02:00:00:00:00:a0 type veth peer name a1 address 02:00:00:00:00:a1", "link set a0 up",
         "link set a1 up"}));
    // A veth pair shows its carrier a moment after it is set up; only then are its
    // addresses those of interfaces at work.
    const auto running = [](const char* name) {
        QFile state(QStringLiteral("/sys/class/net/%1/operstate").arg(QLatin1String(name)));
        return state.open(QIODevice::ReadOnly) && state.readAll().trimmed() == "up";
    };
    QTRY_VERIFY_WITH_TIMEOUT(running("a0") && running("a1"), 10000);
    const MessageCapture log;
    // The kernel makes a veth's peer first; no separator between the addresses.
    const QString id = QStringLiteral("02:00:00:00:00:A102:00:00:00:00:A0");
    QCOMPARE(ClientAuthData::generateDeviceId(true), id);
    QVERIFY(log.messages(QtCriticalMsg).contains("Generated and cached MAC device id: " + id));
    QCOMPARE(ClientAuthData().deviceId(), id);
}

void tst_ClientAuthDataDeviceId::cachedAgainstChangedPlatform()
{
    facts.id = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    QVERIFY(!GetPlatformUUID().isEmpty());
    const MessageCapture log;
    const QString id = QStringLiteral("02:00:00:00:00:A102:00:00:00:00:A0");
    QCOMPARE(ClientAuthData().deviceId(), id);
    QCOMPARE(log.messages(QtDebugMsg), QStringList{"Using cached MAC device id: " + id});
}

OZM_NAMESPACE_TEST_MAIN(tst_ClientAuthDataDeviceId, PrivateNamespaces::Options())
#include "tst_ClientAuthDataDeviceId.moc"
