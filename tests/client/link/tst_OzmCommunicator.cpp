#include "LinkTestKit.h"

#include <ApiTestKit.h>
#include <FakeBackendPeer.h>
#include <Ozm.h>
#include <OzmCommunicator.h>
#include <PrivateNamespaces.h>

#include <QtTest>

#include <new>

namespace {

const char Name[] = "OZM_SET_CURRENT_CLUSTER";

// The application's loops all end at QCoreApplication::exit(), and every loop
// started afterwards ends at once until the application's own loop has run.
void letLoopsRunAgain()
{
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
}

} // namespace

// Requests from the application's thread: what goes on the wire, what comes back,
// and a wait that ends without its reply.
class tst_OzmCommunicator : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void requestOnTheWire_data();
    void requestOnTheWire();
    void noLink();
    void lateReplyReachesNobody();
};

void tst_OzmCommunicator::cleanup()
{
    Ozm::dropInstance();
}

void tst_OzmCommunicator::requestOnTheWire_data()
{
    QTest::addColumn<QString>("a1");
    QTest::addColumn<QString>("a2");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("no arguments") << QString() << QString() << QByteArray("OZM_SET_CURRENT_CLUSTER\n1\n0\n");
    QTest::newRow("one") << "Europe" << QString() << QByteArray("OZM_SET_CURRENT_CLUSTER\n1\n1\nEurope\n");
    QTest::newRow("two") << "a b" << "c" << QByteArray("OZM_SET_CURRENT_CLUSTER\n1\n2\na b\nc\n");
    QTest::newRow("null first drops the second") << QString() << "c" << QByteArray("OZM_SET_CURRENT_CLUSTER\n1\n0\n");
    QTest::newRow("empty but not null") << "" << "" << QByteArray("OZM_SET_CURRENT_CLUSTER\n1\n2\n\n\n");
    QTest::newRow("line feed cannot forge a line") << "a\nb" << QString()
                                                   << QByteArray("OZM_SET_CURRENT_CLUSTER\n1\n1\nab\n");
}

void tst_OzmCommunicator::requestOnTheWire()
{
    QFETCH(QString, a1);
    QFETCH(QString, a2);
    QFETCH(QByteArray, wire);
    const ClientFolders folders;
    FakeBackendPeer peer;
    QVERIFY(peer.listen());
    QCOMPARE(startLink(), QString());
    Ozm::inst()->startSocketProcessing();
    peer.onRequest([&](const LinkMessage& request) { peer.reply(request, {"done"}); });

    OzmCommunicator communicator(Name);
    QVERIFY(communicator.request(a1, a2));
    QCOMPARE(communicator.answer(), QStringList{"done"});
    QCOMPARE(peer.sessionBytes(), wire);
}

void tst_OzmCommunicator::noLink()
{
    const MessageCapture log;
    OzmCommunicator communicator(Name);
    QVERIFY(!communicator.request("Europe"));
    QCOMPARE(communicator.answer(), QStringList());
    QCOMPARE(log.messages(QtCriticalMsg),
             QStringList{"OzmCommunicator: Ozm not found, service not connected. OZM_SET_CURRENT_CLUSTER failed."});
}

// A wait the application ends leaves its request unanswered. Its reply, coming
// late, must not reach the communicator built where that one was.
void tst_OzmCommunicator::lateReplyReachesNobody()
{
    const ClientFolders folders;
    FakeBackendPeer peer;
    QVERIFY(peer.listen());
    QCOMPARE(startLink(), QString());
    Ozm::inst()->startSocketProcessing();
    alignas(OzmCommunicator) unsigned char place[sizeof(OzmCommunicator)];

    peer.onRequest([](const LinkMessage&) { QCoreApplication::exit(0); });
    auto* first = new (place) OzmCommunicator(Name);
    QVERIFY(!first->request("first"));
    first->~OzmCommunicator();
    letLoopsRunAgain();

    peer.onRequest([&](const LinkMessage& request) {
        peer.reply(peer.requests().first(), {"late"});
        peer.reply(request, {"own"});
    });
    auto* second = new (place) OzmCommunicator(Name);
    QVERIFY(second->request("second"));
    QCOMPARE(second->answer(), QStringList{"own"});
    second->~OzmCommunicator();
    QCOMPARE(peer.requests().size(), 2);
    QVERIFY(peer.requests().at(0).id != peer.requests().at(1).id);
}

OZM_NAMESPACE_TEST_MAIN(tst_OzmCommunicator, PrivateNamespaces::Options().withOwnProcesses())

#include "tst_OzmCommunicator.moc"
