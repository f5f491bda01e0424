#include "LinkScriptSyntax.h"

#include <FakeBackendPeer.h>
#include <MessageWriter.h>

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

Q_DECLARE_METATYPE(std::optional<QStringList>)

namespace {

// Canned answers of a backend that follows the link's rules: the states of an
// activation around its reply, an echo of the cluster name, a state number.
void answer(FakeBackendPeer& backend, const LinkMessage& request)
{
    if (request.name == "OZM_VPN_ACTIVATE") {
        backend.sendLog(MessageWriter::logLine(QtInfoMsg, "VpnCtl: activating"));
        backend.sendEvent("OZM_ACTIVATION_STATE_CHANGED", {"3"});
        backend.reply(request, {});
        QTimer::singleShot(50, &backend, [&backend] { backend.sendEvent("OZM_ACTIVATION_STATE_CHANGED", {"4"}); });
    } else if (request.name == "OZM_SET_CURRENT_CLUSTER") {
        backend.reply(request, request.arguments);
    } else if (request.name == "OZM_INITIAL_ACTIVATION_STATE") {
        backend.reply(request, {"2"});
    }
}

// The client's output without the time at the start of each line.
QStringList untimed(const QByteArray& output)
{
    QStringList lines;
    const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ");
    for (const QString& line : QString::fromUtf8(output).split('\n', Qt::SkipEmptyParts)) {
        if (!time.match(line).hasMatch())
            return {"untimed line: " + line};
        lines << line.mid(13);
    }
    return lines;
}

} // namespace

class tst_LinkClient : public QObject
{
    Q_OBJECT
private slots:
    void syntax_data();
    void syntax();
    void session_data();
    void session();
};

void tst_LinkClient::syntax_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<std::optional<QStringList>>("words");

    QTest::newRow("plain words") << " OZM_VPN_REACTIVATE\t5000 " << std::optional(QStringList{"OZM_VPN_REACTIVATE", "5000"});
    QTest::newRow("quoted blanks") << "A \"New York\"" << std::optional(QStringList{"A", "New York"});
    QTest::newRow("empty word") << "A \"\" b" << std::optional(QStringList{"A", "", "b"});
    QTest::newRow("quotes inside a word") << "a\"b c\"d" << std::optional(QStringList{"ab cd"});
    QTest::newRow("escapes") << R"("\"\\\x09")" << std::optional(QStringList{"\"\\\t"});
    QTest::newRow("backslash outside quotes") << R"(a\b)" << std::optional(QStringList{R"(a\b)"});
    QTest::newRow("open quote") << "A \"x" << std::optional<QStringList>();
    QTest::newRow("unknown escape") << R"("\n")" << std::optional<QStringList>();
    QTest::newRow("short hex escape") << R"("\x9")" << std::optional<QStringList>();
}

// Whatever the client prints as a value reads back as the same value.
void tst_LinkClient::syntax()
{
    QFETCH(QString, line);
    QFETCH(std::optional<QStringList>, words);

    QCOMPARE(LinkScriptSyntax::split(line), words);
    if (!words)
        return;
    QStringList quoted;
    for (const QString& word : *words)
        quoted << LinkScriptSyntax::quote(word);
    QCOMPARE(LinkScriptSyntax::split(quoted.join(' ')), words);
}

void tst_LinkClient::session_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<bool>("viaStdin");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<bool>("closeAfterHandshake");
    QTest::addColumn<QList<QStringList>>("requests");
    QTest::addColumn<QStringList>("output");
    QTest::addColumn<int>("exitCode");

    const QStringList script = {"# set up", "OZM_INITIAL_ACTIVATION_STATE", "OZM_SET_CURRENT_CLUSTER \"New York\"",
                                "OZM_VPN_ACTIVATE x", "@event OZM_ACTIVATION_STATE_CHANGED 4"};
    const QList<QStringList> requests = {{"OZM_INITIAL_ACTIVATION_STATE", "1"},
                                         {"OZM_SET_CURRENT_CLUSTER", "2", "New York"},
                                         {"OZM_VPN_ACTIVATE", "3", "x"}};
    const QStringList output = {"HANDSHAKE 5314 2702",
                                "SENT 1 OZM_INITIAL_ACTIVATION_STATE 0",
                                "REPLY 1 OZM_INITIAL_ACTIVATION_STATE 2",
                                "SENT 2 OZM_SET_CURRENT_CLUSTER 1",
                                "REPLY 2 OZM_SET_CURRENT_CLUSTER \"New York\"",
                                "SENT 3 OZM_VPN_ACTIVATE 1",
                                "LOG 4 VpnCtl: activating",
                                "EVENT OZM_ACTIVATION_STATE_CHANGED 3",
                                "REPLY 3 OZM_VPN_ACTIVATE",
                                "EVENT OZM_ACTIVATION_STATE_CHANGED 4"};

    QTest::newRow("script from arguments") << QStringList() << script << false << "2702" << false << requests << output
                                           << 0;
    QTest::newRow("script from input") << QStringList() << script << true << "2702" << false << requests << output << 0;
    QTest::newRow("no wait for a request nobody answers")
        << QStringList() << QStringList{"@nowait OZM_NO_SUCH_THING", "@wait 100"} << false << "2702" << false
        << QList<QStringList>{{"OZM_NO_SUCH_THING", "1"}}
        << QStringList{"HANDSHAKE 5314 2702", "SENT 1 OZM_NO_SUCH_THING 0"} << 0;
    QTest::newRow("handshake rejected") << QStringList() << script << false << "2701" << false << QList<QStringList>()
                                        << QStringList{"HANDSHAKE 5314 2701"} << 2;
    QTest::newRow("event that never comes")
        << QStringList{"--timeout", "300"} << QStringList{"@event OZM_VPN_AUTH_FAILED"} << false << "2702" << false
        << QList<QStringList>()
        << QStringList{"HANDSHAKE 5314 2702", "ERROR timed out waiting for the event OZM_VPN_AUTH_FAILED"} << 3;
    QTest::newRow("backend closes the session") << QStringList{"--stay"} << QStringList() << true << "2702" << true
                                                << QList<QStringList>()
                                                << QStringList{"HANDSHAKE 5314 2702", "CLOSED"} << 0;
    QTest::newRow("unreadable line") << QStringList() << QStringList{"OZM_SET_CURRENT_CLUSTER \"x"} << false << "2702"
                                     << false << QList<QStringList>()
                                     << QStringList{"HANDSHAKE 5314 2702",
                                                    "ERROR unreadable script line: OZM_SET_CURRENT_CLUSTER \"x"}
                                     << 1;
}

void tst_LinkClient::session()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, script);
    QFETCH(bool, viaStdin);
    QFETCH(QString, verdict);
    QFETCH(bool, closeAfterHandshake);
    QFETCH(QList<QStringList>, requests);
    QFETCH(QStringList, output);
    QFETCH(int, exitCode);

    FakeBackendPeer backend;
    QVERIFY(backend.listen(0));
    backend.setHandshake(QByteArray::number(LinkProtocol::HandshakeNumber), verdict.toUtf8());
    backend.onRequest([&backend](const LinkMessage& request) { answer(backend, request); });
    if (closeAfterHandshake)
        connect(&backend, &FakeBackendPeer::sessionStarted, &backend, &FakeBackendPeer::closeControl);

    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    client.start(OZM_LINK_CLIENT, QStringList{"--port", QString::number(backend.port()), "--app-dir", "/opt/ozm app",
                                              "--data-dir", "/home/u/.local/share/Ozmira"}
                                      + options + (viaStdin ? QStringList() : script));
    if (viaStdin) {
        client.write((script.join('\n') + '\n').toUtf8());
        if (!options.contains("--stay"))
            client.closeWriteChannel();
    }
    QVERIFY(QTest::qWaitFor([&] { return client.state() == QProcess::NotRunning; }, 10000));

    QCOMPARE(backend.handshakeBytes(), QByteArray("OZM_SET_APP_DIR\n/opt/ozm app\nOZM_SET_APP_DATA_DIR\n"
                                                  "/home/u/.local/share/Ozmira\n5314\n"));
    QList<QStringList> received;
    for (const LinkMessage& request : backend.requests())
        received << (QStringList{request.name, request.id} + request.arguments);
    QCOMPARE(received, requests);
    // Log lines come on their own connection, so only their order among themselves is fixed.
    const QStringList printed = untimed(client.readAllStandardOutput());
    const auto isLog = [](const QString& line) { return line.startsWith("LOG "); };
    const auto only = [](const QStringList& lines, auto keep) {
        QStringList kept;
        std::copy_if(lines.begin(), lines.end(), std::back_inserter(kept), keep);
        return kept;
    };
    const auto notLog = [&](const QString& line) { return !isLog(line); };
    QCOMPARE(only(printed, notLog), only(output, notLog));
    QCOMPARE(only(printed, isLog), only(output, isLog));
    QCOMPARE(client.exitStatus(), QProcess::NormalExit);
    QCOMPARE(client.exitCode(), exitCode);
}

QTEST_GUILESS_MAIN(tst_LinkClient)
#include "tst_LinkClient.moc"
