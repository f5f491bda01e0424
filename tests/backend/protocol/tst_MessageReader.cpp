#include "MessageReader.h"
#include "RequestTable.h"

#include "LoopbackConnection.h"

#include <QtTest>

// Each message as name, id, then its arguments.
using Messages = QList<QStringList>;
Q_DECLARE_METATYPE(MessageReader::Framing)

namespace {

// Collects what the code under test logs, so tests compare the exact lines.
class LogCapture
{
public:
    LogCapture() { previous = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture() { qInstallMessageHandler(previous); }
    static QStringList lines;

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& text) { lines << text; }
    QtMessageHandler previous;
};
QStringList LogCapture::lines;

// Feeds the input in pieces of chunkSize bytes, or cut once at `cut` when given.
// Requests are read by the backend, replies and events by the client.
Messages read(const QByteArray& input, int chunkSize, MessageReader::Framing framing, int cut = -1)
{
    Messages seen;
    MessageReader reader([&seen](const LinkMessage& m) { seen << (QStringList{m.name, m.id} + m.arguments); },
                         framing, framing == MessageReader::Requests ? "BackendService" : "Ozm");
    if (cut >= 0) {
        reader.feed(input.left(cut));
        reader.feed(input.mid(cut));
        return seen;
    }
    for (int from = 0; from < input.size(); from += chunkSize)
        reader.feed(input.mid(from, chunkSize));
    return seen;
}

const QByteArray NextMessage = "B\n2\n0\n";
const QStringList NextMessageRead = {"B", "2"};
const QString TooLong = "BackendService: message too long, dropping message ";
const QString WrongSize = "BackendService: wrong message size for message ";
const QString ClientTooLong = "Ozm: message too long, dropping message ";
const QString ClientWrongSize = "Ozm: wrong message size for message ";

} // namespace

class tst_MessageReader : public QObject
{
    Q_OBJECT
private slots:
    void framing_data();
    void framing();
    void limits_data();
    void limits();
    void dispatch_data();
    void dispatch();
    void handlerWaitingInEventLoopHoldsBackNextRequest();
    void connectionDeletedWhileHandlerWaits();

private:
    void checkRead(const QByteArray& input, int chunkSize, MessageReader::Framing framing, const Messages& expected,
                   const QStringList& logs, int cut = -1);
};

void tst_MessageReader::checkRead(const QByteArray& input, int chunkSize, MessageReader::Framing framing,
                                  const Messages& expected, const QStringList& logs, int cut)
{
    const QString how = cut >= 0 ? QString("cut at byte %1").arg(cut) : QString("fed %1 bytes at a time").arg(chunkSize);
    LogCapture::lines.clear();
    Messages seen;
    {
        LogCapture capture;
        seen = read(input, chunkSize, framing, cut);
    }
    QVERIFY2(seen == expected, qPrintable(how));
    QVERIFY2(LogCapture::lines == logs, qPrintable(how + ": " + LogCapture::lines.join(" | ")));
}

void tst_MessageReader::framing_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<MessageReader::Framing>("framing");
    QTest::addColumn<Messages>("expected");
    QTest::addColumn<QStringList>("logs");

    const auto requests = MessageReader::Requests;
    QTest::newRow("no arguments") << QByteArray("OZM_INITIAL_ACTIVATION_STATE\nr1\n0\n") << requests
                                  << Messages{{"OZM_INITIAL_ACTIVATION_STATE", "r1"}} << QStringList();
    QTest::newRow("arguments as sent, empty ones too")
        << QByteArray("OZM_SET_SERVERS_LIST\n7\n3\n a b \n\nZ\xc3\xbcrich\n") << requests
        << Messages{{"OZM_SET_SERVERS_LIST", "7", " a b ", "", "Zürich"}} << QStringList();
    QTest::newRow("two back to back") << QByteArray("A\n1\n1\nx\n") + NextMessage << requests
                                      << Messages{{"A", "1", "x"}, NextMessageRead} << QStringList();
    QTest::newRow("blanks around the count") << QByteArray("A\n1\n \t2 \r\nx\ny\n") << requests
                                             << Messages{{"A", "1", "x", "y"}} << QStringList();
    QTest::newRow("carriage return stays in a name") << QByteArray("A\r\n1\n0\n") << requests
                                                     << Messages{{"A\r", "1"}} << QStringList();
    QTest::newRow("zero byte stays in a name") << QByteArray("A\0x\n1\n0\n", 9) << requests
                                               << Messages{{QString::fromUtf8("A\0x", 3), "1"}} << QStringList();
    QTest::newRow("count with a letter") << QByteArray("A\n1\n1x\n") + NextMessage << requests
                                         << Messages{NextMessageRead} << QStringList{WrongSize + "A"};
    QTest::newRow("negative count") << QByteArray("A\n1\n-1\n") + NextMessage << requests
                                    << Messages{NextMessageRead} << QStringList{WrongSize + "A"};
    QTest::newRow("empty count") << QByteArray("A\n1\n\n") + NextMessage << requests << Messages{NextMessageRead}
                                 << QStringList{WrongSize + "A"};
    QTest::newRow("count past the integer range") << QByteArray("A\n1\n4000000000\n") + NextMessage << requests
                                                  << Messages{NextMessageRead} << QStringList{WrongSize + "A"};
    QTest::newRow("message still missing an argument") << QByteArray("A\n1\n2\nx\n") << requests << Messages()
                                                       << QStringList();
    QTest::newRow("last line without its end") << QByteArray("A\n1\n0") << requests << Messages() << QStringList();
    QTest::newRow("replies and events") << QByteArray("r1\n1\n2\nOZM_ACTIVATION_STATE_CHANGED\n1\n4\n")
                                        << MessageReader::RepliesAndEvents
                                        << Messages{{"r1", "", "2"}, {"OZM_ACTIVATION_STATE_CHANGED", "", "4"}}
                                        << QStringList();
}

// However TCP cuts the bytes, the same messages come out.
void tst_MessageReader::framing()
{
    QFETCH(QByteArray, input);
    QFETCH(MessageReader::Framing, framing);
    QFETCH(Messages, expected);
    QFETCH(QStringList, logs);

    checkRead(input, input.size(), framing, expected, logs);
    checkRead(input, 1, framing, expected, logs);
    for (int cut = 1; cut < input.size() && !QTest::currentTestFailed(); ++cut)
        checkRead(input, 0, framing, expected, logs, cut);
}

void tst_MessageReader::limits_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<MessageReader::Framing>("framing");
    QTest::addColumn<Messages>("expected");
    QTest::addColumn<QStringList>("logs");

    const QByteArray atLimit(MessageReader::MaxLineBytes, 'a');
    const QByteArray overLimit = atLimit + 'a';
    const auto requests = MessageReader::Requests;

    QTest::newRow("argument at the line limit") << QByteArray("A\n1\n1\n") + atLimit + "\n" + NextMessage << requests
                                                << Messages{{"A", "1", QString(atLimit)}, NextMessageRead}
                                                << QStringList();
    QTest::newRow("argument over the line limit") << QByteArray("A\n1\n2\n") + overLimit + "\nx\n" + NextMessage << requests
                                                  << Messages{NextMessageRead} << QStringList{TooLong + "A"};
    QTest::newRow("name over the line limit") << overLimit + "\n1\n1\nx\n" + NextMessage << requests << Messages{NextMessageRead}
                                              << QStringList{TooLong};
    QTest::newRow("count over the line limit") << QByteArray("A\n1\n") + overLimit + "\n" + NextMessage << requests
                                               << Messages{NextMessageRead} << QStringList{TooLong + "A"};
    QTest::newRow("line that goes on and on") << QByteArray("A\n1\n1\n") + QByteArray(3 * MessageReader::MaxLineBytes, 'a')
                                                     + "\n" + NextMessage << requests
                                              << Messages{NextMessageRead} << QStringList{TooLong + "A"};

    const int tooMany = MessageReader::MaxArguments + 1;
    QTest::newRow("too many arguments") << QByteArray("A\n1\n") + QByteArray::number(tooMany) + "\n"
                                               + QByteArray(tooMany, '\n') + NextMessage << requests
                                        << Messages{NextMessageRead} << QStringList{TooLong + "A"};
    QByteArray bulky = "A\n1\n5\n";
    for (int i = 0; i < 5; ++i)
        bulky += atLimit + "\n";
    QTest::newRow("too many bytes") << bulky + NextMessage << requests << Messages{NextMessageRead} << QStringList{TooLong + "A"};
    // Nothing is set aside for the count: only the two lines that came are held.
    QTest::newRow("huge count") << QByteArray("A\n1\n2147483647\nx\ny\n") << requests << Messages() << QStringList();

    // Whoever waits for a reply the client cannot read hears of it: the reply comes
    // through without its values.
    const auto replies = MessageReader::RepliesAndEvents;
    const QByteArray next = "B\n0\n";
    const QStringList nextRead = {"B", ""};
    QTest::newRow("reply count with a letter") << QByteArray("r1\n1x\n") + next << replies
                                               << Messages{{"r1", ""}, nextRead} << QStringList{ClientWrongSize + "r1"};
    QTest::newRow("negative reply count") << QByteArray("r1\n-1\n") + next << replies << Messages{{"r1", ""}, nextRead}
                                          << QStringList{ClientWrongSize + "r1"};
    QTest::newRow("reply value over the line limit") << QByteArray("r1\n2\n") + overLimit + "\nx\n" + next << replies
                                                     << Messages{{"r1", ""}, nextRead} << QStringList{ClientTooLong + "r1"};
    QTest::newRow("reply count over the line limit") << QByteArray("r1\n") + overLimit + "\n" + next << replies
                                                     << Messages{{"r1", ""}, nextRead} << QStringList{ClientTooLong + "r1"};
    QTest::newRow("reply id over the line limit") << overLimit + "\n1\nx\n" + next << replies
                                                  << Messages{{"", ""}, nextRead} << QStringList{ClientTooLong};
    QTest::newRow("too many reply values") << QByteArray("r1\n") + QByteArray::number(tooMany) + "\n"
                                                  + QByteArray(tooMany, '\n') + next
                                           << replies << Messages{{"r1", ""}, nextRead} << QStringList{ClientTooLong + "r1"};
}

void tst_MessageReader::limits()
{
    QFETCH(QByteArray, input);
    QFETCH(MessageReader::Framing, framing);
    QFETCH(Messages, expected);
    QFETCH(QStringList, logs);

    checkRead(input, input.size(), framing, expected, logs);
    checkRead(input, 4093, framing, expected, logs);
}

void tst_MessageReader::dispatch_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QStringList>("handled");
    QTest::addColumn<QStringList>("logs");

    QTest::newRow("known name") << QByteArray("OZM_VPN_DEACTIVATE") << QStringList{"OZM_VPN_DEACTIVATE r9 x"}
                                << QStringList();
    QTest::newRow("other case") << QByteArray("ozm_vpn_deactivate") << QStringList()
                                << QStringList{"BackendService: unknown command ozm_vpn_deactivate Skipping command."};
    QTest::newRow("trailing blank") << QByteArray("OZM_VPN_DEACTIVATE ") << QStringList()
                                    << QStringList{"BackendService: unknown command OZM_VPN_DEACTIVATE  Skipping command."};
}

void tst_MessageReader::dispatch()
{
    QFETCH(QByteArray, name);
    QFETCH(QStringList, handled);
    QFETCH(QStringList, logs);

    QStringList seen;
    RequestTable table;
    table.add("OZM_VPN_DEACTIVATE",
              [&seen](const LinkMessage& m) { seen << QStringList{m.name, m.id, m.arguments.join(",")}.join(' '); });
    MessageReader reader([&table](const LinkMessage& m) { table.dispatch(m); });

    LogCapture::lines.clear();
    LogCapture capture;
    reader.feed(name + "\nr9\n1\nx\n");
    QCOMPARE(seen, handled);
    QCOMPARE(LogCapture::lines, logs);
}

// A handler that waits in a local event loop, as activation does, lets the socket
// take in more bytes; the next request is read only after the handler returns,
// with no further readyRead to prompt it.
void tst_MessageReader::handlerWaitingInEventLoopHoldsBackNextRequest()
{
    LoopbackConnection connection;
    QTcpSocket* backend = connection.accepted();
    QVERIFY(backend);
    QTcpSocket& client = connection.client;

    QStringList trace;
    bool moreArrived = false;
    MessageReader reader([&](const LinkMessage& m) {
        trace << "begin " + m.name;
        if (m.name == "FIRST") {
            client.write("SECOND\n2\n0\n");
            moreArrived = QTest::qWaitFor([&] { return backend->bytesAvailable() > 0; }, 5000);
        }
        trace << "end " + m.name;
    });
    connect(backend, &QTcpSocket::readyRead, backend, [&] { reader.readFrom(*backend); });

    client.write("FIRST\n1\n0\n");
    QTRY_COMPARE(trace, (QStringList{"begin FIRST", "end FIRST", "begin SECOND", "end SECOND"}));
    QVERIFY(moreArrived);
}

// The session ends during a handler's wait and its socket is deleted: the reader
// finishes what it had already read and must not come back to the device.
void tst_MessageReader::connectionDeletedWhileHandlerWaits()
{
    auto* device = new QBuffer;
    device->setData("FIRST\n1\n0\nSECOND\n2\n0\n");
    device->open(QIODevice::ReadOnly);
    QStringList handled;
    MessageReader reader([&](const LinkMessage& m) {
        handled << m.name;
        if (m.name == "FIRST") {
            device->deleteLater();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    });
    reader.readFrom(*device);
    QCOMPARE(handled, (QStringList{"FIRST", "SECOND"}));
}

QTEST_GUILESS_MAIN(tst_MessageReader)
#include "tst_MessageReader.moc"
