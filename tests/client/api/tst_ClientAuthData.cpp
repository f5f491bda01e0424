#include "ApiTestKit.h"

#include <ClientAuthData.h>
#include <FakeHostFacts.h>
#include <Folders.h>
#include <HostProbes.h>
#include <MeteredSubscription.h>
#include <Storage.h>

#include <QtTest>

#include <memory>

namespace {

// Every signal of the account data, in the order they came.
class Emitted : public QObject
{
public:
    explicit Emitted(ClientAuthData& data)
    {
        const auto note = [this](const char* name, const QString& value) {
            names << QLatin1String(name) + QLatin1Char('(') + value + QLatin1Char(')');
        };
        connect(&data, &ClientAuthData::devNameChanged, this, [=](const QString& v) { note("devName", v); });
        connect(&data, &ClientAuthData::emailChanged, this, [=](const QString& v) { note("email", v); });
        connect(&data, &ClientAuthData::passwordChanged, this, [=](const QString& v) { note("password", v); });
        connect(&data, &ClientAuthData::serialChanged, this, [=](const QString& v) { note("serial", v); });
        connect(&data, &ClientAuthData::subscriptionChanged, this, [=](const SubscriptionPointer& sub) {
            note("subscription", sub ? sub->name() : QStringLiteral("null"));
        });
        connect(&data, &ClientAuthData::devicesNumberChanged, this, [=](uint limit, uint count) {
            note("devicesNumber", QStringLiteral("%1,%2").arg(limit).arg(count));
        });
    }

    QStringList names;
};

const QString Email = QStringLiteral("user@example.org");
const QString Password = QStringLiteral("EncPw-7731");
const QString Serial = QStringLiteral("SER-4242-XYZ");

} // namespace

class tst_ClientAuthData : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    // First: the first account data of the process fixes the device id.
    void deviceIdFromPlatformUuid();
    void deviceIdCachedAgainstChangedPlatform();
    void initFromStorage();
    void invalidate_data();
    void invalidate();
    void invalidatePassword();
    void resetDevNameSignalsFirst();
    void settersSignalEvenWhenUnchanged();

private:
    QSharedPointer<Storage> storeHolding(const QString& email, const QString& password, const QString& serial);
    // What a fresh look at the file finds: e-mail, password, serial.
    QStringList stored() const;

    FakeHostFacts facts;
    std::unique_ptr<QTemporaryDir> data;
    QString platformId;
};

void tst_ClientAuthData::initTestCase()
{
    facts.id = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    setHostFacts(&facts);
    platformId = GetPlatformUUID();
    QCOMPARE(platformId.size(), 36);
}

void tst_ClientAuthData::init()
{
    data = std::make_unique<QTemporaryDir>();
    Folders::setAppDataFolder(data->path());
}

void tst_ClientAuthData::cleanup()
{
    data.reset();
}

QSharedPointer<Storage> tst_ClientAuthData::storeHolding(const QString& email, const QString& password,
                                                       const QString& serial)
{
    const QSharedPointer<Storage> storage(new Storage);
    storage->setUserEmail(email);
    storage->setUserPassword(password);
    storage->setSerial(serial);
    storage->save();
    return storage;
}

QStringList tst_ClientAuthData::stored() const
{
    const Storage look;
    return {look.userEmail(), look.userPassword(), look.serial()};
}

void tst_ClientAuthData::deviceIdFromPlatformUuid()
{
    const MessageCapture log;
    const ClientAuthData account;
    QCOMPARE(account.deviceId(), platformId);
    QVERIFY(account.isDevIdValid());
    QCOMPARE(log.messages(QtDebugMsg), QStringList{"Generated and cached UUID device id: " + platformId});
    QCOMPARE(ClientAuthData::generateDeviceId(true), platformId);
    QVERIFY(log.messages(QtCriticalMsg).contains("Using cached UUID device id: " + platformId));
}

void tst_ClientAuthData::deviceIdCachedAgainstChangedPlatform()
{
    facts.id = QByteArray::fromHex("ffeeddccbbaa99887766554433221100");
    const MessageCapture log;
    const ClientAuthData account;
    facts.id = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    QCOMPARE(account.deviceId(), platformId);
    QCOMPARE(log.messages(QtDebugMsg), QStringList{"Using cached UUID device id: " + platformId});
}

void tst_ClientAuthData::initFromStorage()
{
    ClientAuthData account;
    const Emitted emitted(account);
    account.initFromStorage(QSharedPointer<Storage>());
    QVERIFY(emitted.names.isEmpty());
    QVERIFY(account.storage().isNull());

    const QSharedPointer<Storage> storage = storeHolding(Email, Password, Serial);
    const MessageCapture log;
    account.initFromStorage(storage);
    QCOMPARE(emitted.names, QStringList({"email(" + Email + ")", "password(" + Password + ")",
                                         "serial(" + Serial + ")", "subscription(null)"}));
    QCOMPARE(account.storage(), storage);
    QVERIFY(account.isEmailValid() && account.isPasswordValid() && account.isSerialValid());
    QCOMPARE(log.messages(), QStringList{"Startup: Email " + Email + " Password set Serial set"});
}

void tst_ClientAuthData::invalidate_data()
{
    QTest::addColumn<bool>("withStore");
    QTest::newRow("with a store") << true;
    QTest::newRow("without a store") << false;
}

void tst_ClientAuthData::invalidate()
{
    QFETCH(bool, withStore);
    ClientAuthData account;
    if (withStore)
        account.initFromStorage(storeHolding(Email, Password, Serial));
    account.setEmail(Email);
    account.setDevName(QStringLiteral("Desk"));
    account.setMyDeviceRegistered(true);
    account.setDevicesNumber(5, 2);
    account.setOldPasswordTime(QDateTime::fromSecsSinceEpoch(1700000000));
    account.setSubscription(SubscriptionPointer(new MeteredSubscription("Free", "Free", 1, 1)));
    const Emitted emitted(account);

    account.invalidate();
    QCOMPARE(emitted.names,
             QStringList({"email()", "devName()", "password()", "serial()", "subscription(null)"}));
    QVERIFY(!account.isEmailValid() && !account.isDevNameValid() && !account.isPasswordValid()
            && !account.isSerialValid());
    QVERIFY(account.subscription().isNull());
    // What the service said of the device stays until it says otherwise.
    QVERIFY(account.isMyDeviceRegistered());
    QCOMPARE(account.deviceLimit(), 5u);
    QCOMPARE(account.deviceCount(), 2u);
    QCOMPARE(account.oldPasswordTime(), QDateTime::fromSecsSinceEpoch(1700000000));
    if (withStore)
        QCOMPARE(stored(), QStringList({"", "", ""}));
    else
        QVERIFY(!QFile::exists(data->filePath(Storage::FileName)));
}

void tst_ClientAuthData::invalidatePassword()
{
    ClientAuthData account;
    account.initFromStorage(storeHolding(Email, Password, Serial));
    const Emitted emitted(account);
    account.invalidatePassword();
    QCOMPARE(emitted.names, QStringList({"password()", "serial()"}));
    QCOMPARE(account.email(), Email);
    QCOMPARE(stored(), QStringList({Email, "", ""}));
}

void tst_ClientAuthData::resetDevNameSignalsFirst()
{
    ClientAuthData account;
    account.setDevName(QStringLiteral("Desk"));
    account.setMyDeviceRegistered(true);
    QList<bool> registeredWhenSignalled;
    connect(&account, &ClientAuthData::devNameChanged, this,
            [&] { registeredWhenSignalled << account.isMyDeviceRegistered(); });
    account.resetDevName();
    QCOMPARE(registeredWhenSignalled, QList<bool>{true});
    QVERIFY(account.devName().isNull());
    QVERIFY(!account.isMyDeviceRegistered());
}

void tst_ClientAuthData::settersSignalEvenWhenUnchanged()
{
    ClientAuthData account;
    account.initFromStorage(storeHolding(Email, Password, Serial));
    const Emitted emitted(account);
    const SubscriptionPointer plan(new MeteredSubscription("Plan", "Free", 1, 1));

    account.setEmail(QStringLiteral("new@example.org"));
    account.setEmail(QStringLiteral("new@example.org"));
    // An e-mail alone waits for the next save.
    QCOMPARE(stored(), QStringList({Email, Password, Serial}));
    account.setDevName(QStringLiteral("Desk"));
    account.setDevName(QStringLiteral("Desk"));
    account.setMyDeviceRegistered(true);
    account.setOldPasswordTime(QDateTime::currentDateTime());
    account.setDevicesNumber(3, 1);
    account.setDevicesNumber(3, 1);
    account.setSubscription(plan);
    account.setSubscription(plan);
    account.setSerial(Serial);
    QCOMPARE(stored(), QStringList({"new@example.org", Password, Serial}));
    account.setPassword(QStringLiteral("EncPw-2"));
    QCOMPARE(stored(), QStringList({"new@example.org", "EncPw-2", Serial}));

    QCOMPARE(emitted.names, QStringList({"email(new@example.org)", "email(new@example.org)", "devName(Desk)",
                                         "devName(Desk)", "devicesNumber(3,1)", "devicesNumber(3,1)",
                                         "subscription(Plan)", "subscription(Plan)", "serial(" + Serial + ")",
                                         "password(EncPw-2)"}));
}

QTEST_GUILESS_MAIN(tst_ClientAuthData)
#include "tst_ClientAuthData.moc"
