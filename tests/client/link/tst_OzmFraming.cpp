#include "LinkTestKit.h"

#include <ApiTestKit.h>
#include <FakeBackendPeer.h>
#include <MessageReader.h>
#include <Ozm.h>
#include <PrivateNamespaces.h>

#include <QtTest>

namespace {

const QString Request = QStringLiteral("OZM_INITIAL_ACTIVATION_STATE");
const QString Lost = QStringLiteral("Ozm: Backend service unexpectedly disconnected.");
const QByteArray NetworkEvent = "OZM_LOCAL_CONNECTION_IS_CHANGED\n8\n0\n1\n1\nWired connection\n\n0\n1\n1\n";
const QString NetworkEntry = QStringLiteral("NETWORK|0|1|1|Wired connection||0|1|1");

QByteArray stateEvent(const QByteArray& state)
{
    return "OZM_ACTIVATION_STATE_CHANGED\n1\n" + state + '\n';
}

} // namespace

// What travels after the handshake: replies reach the request they answer, every
// event its slot with its own values, all in the order they came, and a lost link
// fails every waiter once.
class tst_OzmFraming : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void framing_data();
    void framing();
    void registration();
    void linkLoss_data();
    void linkLoss();
    void requestAfterLossIsAnsweredAtOnce();

private:
    void startSession();

    std::unique_ptr<ClientFolders> folders;
    std::unique_ptr<FakeBackendPeer> peer;
    std::unique_ptr<MessageCapture> log;
    std::unique_ptr<LinkUser> user;
};

void tst_OzmFraming::init()
{
    folders = std::make_unique<ClientFolders>();
    peer = std::make_unique<FakeBackendPeer>();
    QVERIFY(peer->listen());
    QCOMPARE(startLink(), QString());
    log = std::make_unique<MessageCapture>();
    user = std::make_unique<LinkUser>();
}

void tst_OzmFraming::cleanup()
{
    Ozm::dropInstance();
    user.reset();
    log.reset();
    peer.reset();
    folders.reset();
}

void tst_OzmFraming::startSession()
{
    user->attach(*Ozm::inst());
    Ozm::inst()->startSocketProcessing();
}

void tst_OzmFraming::framing_data()
{
    // What the backend answers the request with; %1 stands for the request's id.
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("pieceSize"); // 0: in one write
    QTest::addColumn<QStringList>("journal");
    QTest::addColumn<QStringList>("critical");

    const QString reply = QStringLiteral("ANSWER");
    QTest::newRow("reply in one read") << QByteArray("%1\n1\n2\n") << 0 << QStringList{reply + "|2"} << QStringList();
    QTest::newRow("reply in pieces") << QByteArray("%1\n1\n2\n") << 1 << QStringList{reply + "|2"} << QStringList();
    QTest::newRow("reply without values") << QByteArray("%1\n0\n") << 0 << QStringList{reply} << QStringList();
    QTest::newRow("empty values kept") << QByteArray("%1\n3\n\na\n\n") << 0 << QStringList{reply + "||a|"}
                                       << QStringList();
    QTest::newRow("bad count answers empty")
        << QByteArray("%1\nx\n") + stateEvent("3") << 0 << QStringList{reply, "STATE|3"}
        << QStringList{"Ozm: wrong message size for message 1"};
    QTest::newRow("negative count answers empty") << QByteArray("%1\n-1\n") << 1 << QStringList{reply}
                                                  << QStringList{"Ozm: wrong message size for message 1"};
    QTest::newRow("overlong line answers empty")
        << QByteArray("%1\n1\n") + QByteArray(MessageReader::MaxLineBytes + 1, 'x') + "\n" << 0 << QStringList{reply}
        << QStringList{"Ozm: message too long, dropping message 1"};
    QTest::newRow("unknown id") << QByteArray("99\n1\nx\n%1\n1\n2\n") << 0 << QStringList{reply + "|2"}
                                << QStringList{"ERROR Ozm: communication protocol error 2: 99"};
    QTest::newRow("unregistered event") << QByteArray("OZM_VPN_AUTH_FAILED\n0\n%1\n0\n") << 0 << QStringList{reply}
                                        << QStringList{"ERROR Ozm: communication protocol error 2: OZM_VPN_AUTH_FAILED"};
    QTest::newRow("empty event argument") << stateEvent("") + "%1\n0\n" << 0 << QStringList{"STATE|", reply}
                                          << QStringList();
    QTest::newRow("event before a reply stays before it") << NetworkEvent + "%1\n1\n2\n" << 0
                                                          << QStringList{NetworkEntry, reply + "|2"} << QStringList();
    const QByteArray fourEvents = stateEvent("1") + stateEvent("2") + stateEvent("3") + stateEvent("4") + "%1\n0\n";
    const QStringList eachWithItsValues = {"STATE|1", "STATE|2", "STATE|3", "STATE|4", reply};
    QTest::newRow("four events in one read") << fourEvents << 0 << eachWithItsValues << QStringList();
    QTest::newRow("four events in pieces") << fourEvents << 7 << eachWithItsValues << QStringList();
}

void tst_OzmFraming::framing()
{
    QFETCH(QByteArray, answer);
    QFETCH(int, pieceSize);
    QFETCH(QStringList, journal);
    QFETCH(QStringList, critical);
    startSession();
    peer->onRequest(
        [&](const LinkMessage& request) { peer->sendRaw(answer.replace("%1", request.id.toUtf8()), pieceSize); });

    user->send(Request);
    QVERIFY(user->waitForEntries(journal.size()));
    QCOMPARE(user->settledJournal(), journal);
    QCOMPARE(log->messages(QtCriticalMsg), critical);
}

void tst_OzmFraming::registration()
{
    Ozm& link = *Ozm::inst();
    {
        LinkUser gone;
        QVERIFY(link.registerSignalCallBack(LinkUser::State, &gone, "onActivationStateChanged"));
        QVERIFY(log->messages(QtDebugMsg).contains("Ozm: registered callback for OZM_ACTIVATION_STATE_CHANGED"));
        QVERIFY(!link.registerSignalCallBack(LinkUser::State, user.get(), "onActivationStateChanged"));
        QCOMPARE(log->messages(QtCriticalMsg),
                 QStringList{"Ozm: cannot register OZM_ACTIVATION_STATE_CHANGED callback twice!"});
    }
    link.startSocketProcessing();
    peer->sendRaw(stateEvent("2"));
    QTRY_COMPARE(link.getLastAnswer(LinkProtocol::Event::ActivationStateChanged), QStringList{"2"});

    // The receiver gone, the event is free for another, which hears at once what came meanwhile.
    QVERIFY(link.registerSignalCallBack(LinkUser::State, user.get(), "onActivationStateChanged"));
    QVERIFY(user->waitForEntries(1));
    peer->sendRaw(stateEvent("4"));
    QVERIFY(user->waitForEntries(2));
    QCOMPARE(user->journal, (QStringList{"STATE|2", "STATE|4"}));
}

void tst_OzmFraming::linkLoss_data()
{
    QTest::addColumn<bool>("controlCloses");
    QTest::newRow("control connection closes") << true;
    QTest::newRow("log connection closes") << false;
}

// Every event slot runs once with no values and every waiting request gets an
// empty answer, both before the fatal signal.
void tst_OzmFraming::linkLoss()
{
    QFETCH(bool, controlCloses);
    startSession();
    peer->sendRaw(NetworkEvent + stateEvent("2"));
    QVERIFY(user->waitForEntries(2));
    peer->onRequest([&](const LinkMessage&) { controlCloses ? peer->closeControl() : peer->closeLog(); });

    user->send(Request);
    QVERIFY(user->waitForEntries(6));
    const QStringList journal = user->settledJournal();
    QCOMPARE(journal.size(), 6);
    QCOMPARE(journal.mid(0, 2), (QStringList{NetworkEntry, "STATE|2"}));
    // The loss is told before the empty answers, so they can be taken in silence.
    QCOMPARE(journal.at(2), QString("FATAL"));
    QCOMPARE(QSet<QString>(journal.begin() + 3, journal.begin() + 5), (QSet<QString>{"NETWORK", "STATE"}));
    QCOMPARE(journal.at(5), QString("ANSWER"));
    QCOMPARE(log->messages(QtCriticalMsg), QStringList{Lost});
    // A connection that breaks is a lost link, never one to connect again.
    QCOMPARE(log->messages(QtDebugMsg).filter("Connect retry"), QStringList());
    QVERIFY(!Ozm::inst()->serviceIsRunning());
    QCOMPARE(Ozm::inst()->getLastAnswer(LinkProtocol::Event::ActivationStateChanged), QStringList());
}

void tst_OzmFraming::requestAfterLossIsAnsweredAtOnce()
{
    startSession();
    peer->closeControl();
    QVERIFY(user->waitForEntries(3));
    user->send(Request);
    QVERIFY(user->waitForEntries(4));
    QCOMPARE(user->journal.last(), QString("ANSWER"));

    QVERIFY(!user->ask(Request));
    QVERIFY(log->messages(QtCriticalMsg)
                .contains("OzmCommunicator: Ozm not found, service not connected. " + Request + " failed."));
    QCOMPARE(peer->requests().size(), 0);
}

OZM_NAMESPACE_TEST_MAIN(tst_OzmFraming, PrivateNamespaces::Options().withOwnProcesses())

#include "tst_OzmFraming.moc"
