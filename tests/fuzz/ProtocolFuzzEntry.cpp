#include "ProtocolFuzzEntry.h"

#include "LinkProtocol.h"
#include "MessageReader.h"
#include "RequestTable.h"
#include "VpnAuthData.h"
#include "VpnCluster.h"
#include "VpnServer.h"

#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool promise, const char* what)
{
    if (!promise) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

QStringList* capturedLogs = nullptr;

const QString LogMark = QStringLiteral("log: ");
const QString ClientTag = QStringLiteral("Ozm");

void captureLog(QtMsgType, const QMessageLogContext&, const QString& text)
{
    if (capturedLogs)
        *capturedLogs << LogMark + text;
}

// A client never drops what it cannot read: the message it reports broken is the
// next one it hands on, without values, so whoever waits for it is answered.
void requireBrokenMessagesHandedOn(const QStringList& trace)
{
    const QStringList reports = {ClientTag + ": wrong message size for message ",
                                 ClientTag + ": message too long, dropping message "};
    for (int i = 0; i < trace.size(); ++i) {
        const QString& line = trace.at(i);
        if (!line.startsWith(LogMark))
            continue;
        const QString text = line.mid(LogMark.size());
        const auto report =
            std::find_if(reports.begin(), reports.end(), [&](const QString& r) { return text.startsWith(r); });
        if (report == reports.end())
            continue;
        const auto next =
            std::find_if(trace.begin() + i + 1, trace.end(), [](const QString& t) { return !t.startsWith(LogMark); });
        // A message still missing lines at the end of the input is not handed on yet.
        if (next != trace.end())
            require(*next == text.mid(report->size()) + "||0|", "a broken message is handed on without values");
    }
}

// What came out of the reader: dispatched requests, messages of any other name,
// and the log lines, in order. Requests are read by the backend, replies and
// events by the client.
QStringList readMessages(const QByteArray& input, int pieceSize, MessageReader::Framing framing)
{
    QStringList trace;
    capturedLogs = &trace;
    const QtMessageHandler previous = qInstallMessageHandler(captureLog);

    RequestTable table;
    for (const QString& name : LinkProtocol::requestNames())
        table.add(name, [&trace](const LinkMessage& m) { trace << "handled " + m.name; });
    MessageReader reader(
        [&](const LinkMessage& m) {
            require(m.arguments.size() <= MessageReader::MaxArguments, "argument count capped");
            for (const QString& argument : m.arguments)
                require(argument.size() <= MessageReader::MaxLineBytes, "line length capped");
            trace << QStringList{m.name, m.id, QString::number(m.arguments.size())}.join('|') + '|'
                         + m.arguments.join('|');
            table.dispatch(m);
        },
        framing, framing == MessageReader::Requests ? QStringLiteral("BackendService") : ClientTag);
    for (int from = 0; from < input.size(); from += pieceSize)
        reader.feed(input.mid(from, pieceSize));

    qInstallMessageHandler(previous);
    capturedLogs = nullptr;
    return trace;
}

// Lines past the reader's limits are far longer than the inputs a fuzzer makes, so
// a byte 0xff followed by n stands for (n + 1) * 8 KiB of filler, up to a total
// just past the largest message the reader keeps.
QByteArray expand(const QByteArray& payload)
{
    constexpr int FillerUnit = 8 * 1024;
    constexpr qint64 MaxFiller = MessageReader::MaxMessageBytes + MessageReader::MaxLineBytes;
    QByteArray input;
    qint64 filler = 0;
    for (int i = 0; i < payload.size(); ++i) {
        if (payload.at(i) != '\xff' || i + 1 == payload.size()) {
            input += payload.at(i);
            continue;
        }
        const int size = (uchar(payload.at(++i)) + 1) * FillerUnit;
        if (filler + size <= MaxFiller) {
            input += QByteArray(size, 'x');
            filler += size;
        }
    }
    return input;
}

void fuzzReader(const QByteArray& payload, int pieceSize, MessageReader::Framing framing)
{
    const QByteArray input = expand(payload);
    // Large inputs are cut in proportionally larger pieces to stay quick.
    if (input.size() > 64 * 1024)
        pieceSize *= 4096;
    const QStringList whole = readMessages(input, qMax(1, input.size()), framing);
    require(whole == readMessages(input, pieceSize, framing), "same messages however the bytes are cut");
    if (framing == MessageReader::RepliesAndEvents)
        requireBrokenMessagesHandedOn(whole);
}

// Text the XML writer can carry unchanged: no line feed (records drop them), no
// carriage return (readers turn it into a line feed), no character XML forbids.
bool writable(const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if ((c < QChar(0x20) && c != QChar(0x9)) || c.isSurrogate() || c == QChar(0xfffe) || c == QChar(0xffff))
            return false;
    }
    return true;
}

template <typename Record>
void fuzzRecord(const QString& text, const QStringList& fields)
{
    const Record first = Record::fromString(text);
    if (std::all_of(fields.begin(), fields.end(), writable))
        require(Record::fromString(first.toString()) == first, "record reads back as written");
}

void fuzzServer(const QString& text)
{
    const VpnServer s = VpnServer::fromString(text);
    fuzzRecord<VpnServer>(text, {s.name, s.host, s.city, s.country, s.state});
}

void fuzzCluster(const QString& text)
{
    const VpnCluster c = VpnCluster::fromString(text);
    fuzzRecord<VpnCluster>(text, QStringList{c.name, c.description, c.country} + c.servers);
}

void fuzzAuthData(const QString& text)
{
    const VpnAuthData a = VpnAuthData::fromString(text);
    fuzzRecord<VpnAuthData>(text, {a.host, a.user, a.password});
}

} // namespace

int ozmProtocolFuzzOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray payload(reinterpret_cast<const char*>(data) + 2, int(size - 2));
    const int pieceSize = 1 + data[1] % 16;
    switch (data[0] % 5) {
    case 0:
        fuzzReader(payload, pieceSize, MessageReader::Requests);
        break;
    case 1:
        fuzzReader(payload, pieceSize, MessageReader::RepliesAndEvents);
        break;
    case 2:
        fuzzServer(QString::fromUtf8(payload));
        break;
    case 3:
        fuzzCluster(QString::fromUtf8(payload));
        break;
    case 4:
        fuzzAuthData(QString::fromUtf8(payload));
        break;
    }
    return 0;
}
