#include "ActivationState.h"
#include "SharedMetaTypes.h"
#include "VpnAuthFailedClientAnswer.h"
#include "WirelessSecurity.h"

#include <QtTest>

class tst_SharedEnums : public QObject
{
    Q_OBJECT
private slots:
    void activationStateNames_data();
    void activationStateNames();
    void wlanSecurityMapping_data();
    void wlanSecurityMapping();
    void metaTypesRegistered();
    void queuedActivationStateArrives();
};

void tst_SharedEnums::activationStateNames_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0 << "Disconnected";
    QTest::newRow("1") << 1 << "StateSecure";
    QTest::newRow("2") << 2 << "Deactivated";
    QTest::newRow("3") << 3 << "Activating";
    QTest::newRow("4") << 4 << "Activated";
    QTest::newRow("5") << 5 << "Deactivating";
}

void tst_SharedEnums::activationStateNames()
{
    QFETCH(int, value);
    QFETCH(QString, name);
    QCOMPARE(QString(ActivationStateNames[value]), name);
    QString streamed;
    QDebug(&streamed) << static_cast<ActivationState>(value);
    QCOMPARE(streamed.trimmed(), name);
}

void tst_SharedEnums::wlanSecurityMapping_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("security");
    const int expected[] = {SecurityNone, SecurityWEP, SecurityWPA, SecurityWPA, SecurityWPA2,
                            SecurityUnknown, SecurityWEP, SecurityWPA, SecurityWPA, SecurityWPA2};
    for (int kind = 0; kind < 10; ++kind)
        QTest::addRow("kind %d", kind) << kind << expected[kind];
    QTest::newRow("kind 10") << 10 << int(SecurityUnknown);
    QTest::newRow("kind 99") << 99 << int(SecurityUnknown);
    QTest::newRow("negative") << -1 << int(SecurityUnknown);
}

void tst_SharedEnums::wlanSecurityMapping()
{
    QFETCH(int, kind);
    QFETCH(int, security);
    QCOMPARE(int(wirelessSecurityFromKind(kind)), security);
}

void tst_SharedEnums::metaTypesRegistered()
{
    registerSharedMetaTypes();
    for (const char* name : {"ActivationState", "ConnectionPhysicalState", "WirelessSecurity",
                             "VpnAuthFailedClientAnswer"})
        QVERIFY2(QMetaType::type(name) != QMetaType::UnknownType, name);
}

// A queued call carries the state across the event loop, as the backend's
// threads hand it on.
class StateSink : public QObject
{
    Q_OBJECT
public:
    ActivationState received = Disconnected;
public slots:
    void take(ActivationState state) { received = state; }
};

void tst_SharedEnums::queuedActivationStateArrives()
{
    registerSharedMetaTypes();
    StateSink sink;
    QVERIFY(QMetaObject::invokeMethod(&sink, "take", Qt::QueuedConnection, Q_ARG(ActivationState, Activated)));
    QTRY_COMPARE(sink.received, Activated);
}

QTEST_GUILESS_MAIN(tst_SharedEnums)
#include "tst_SharedEnums.moc"
