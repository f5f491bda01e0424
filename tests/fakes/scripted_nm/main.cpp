// ozm_scripted_nm: the scripted NetworkManager as a program of its own, for a
// bus that other programs share (the test bed's system bus). It takes the name
// "org.freedesktop.NetworkManager" on the bus, answers from the tables that
// standard input fills and prints a line for every call.
//   Input, one a line; each is answered with OK or BAD and the line:
//     property OBJECT INTERFACE NAME TYPE VALUE
//     reply OBJECT INTERFACE METHOD [TYPE VALUE]
//     silent on|off
//   TYPE: b (true|false), u (number), s (text to the end of the line),
//   o (object path), ao (paths joined by ","), ay (bytes: text to the end of the line).
//   Output: READY once the name is taken; CALL and the entry for every call,
//   as ScriptedNetworkManager::received() has it.
#include "ScriptedNetworkManager.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const QString& line)
{
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

// A value of the script's TYPE, or an invalid one.
QVariant valueOf(const QString& type, const QString& text)
{
    if (type == "b" && (text == "true" || text == "false"))
        return text == "true";
    if (type == "u") {
        bool ok = false;
        const uint number = text.toUInt(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    if (type == "s")
        return text;
    if (type == "o" && text.startsWith('/'))
        return ScriptedNetworkManager::path(text);
    if (type == "ao")
        return ScriptedNetworkManager::paths(text.split(',', Qt::SkipEmptyParts));
    if (type == "ay")
        return text.toUtf8();
    return {};
}

// The words before the value, and the value: the rest of the line.
bool split(const QString& line, int words, QStringList* head, QString* rest)
{
    *head = line.section(' ', 0, words - 1).split(' ');
    *rest = line.section(' ', words);
    return head->size() == words && !head->contains(QString());
}

bool apply(ScriptedNetworkManager& nm, const QString& line)
{
    QStringList head;
    QString rest;
    if (line.startsWith("property ") && split(line, 5, &head, &rest)) {
        const QVariant value = valueOf(head[4], rest);
        if (!value.isValid())
            return false;
        nm.properties.insert(QStringList(head.mid(1, 3)).join(' '), value);
        return true;
    }
    if (line.startsWith("reply ") && split(line, 4, &head, &rest)) {
        const QString key = QStringList(head.mid(1, 3)).join(' ');
        if (rest.isEmpty()) {
            nm.replies.insert(key, {});
            return true;
        }
        const QVariant value = valueOf(rest.section(' ', 0, 0), rest.section(' ', 1));
        if (value.isValid())
            nm.replies.insert(key, {value});
        return value.isValid();
    }
    if (line == "silent on" || line == "silent off") {
        nm.silent = line.endsWith("on");
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("A scripted NetworkManager on a message bus; see the source for the script.");
    parser.addHelpOption();
    const QCommandLineOption busOption("bus", "The bus's address; without it the system bus.", "address");
    parser.addOption(busOption);
    parser.process(app);

    const QString connectionName = QStringLiteral("scripted-nm");
    QDBusConnection bus = parser.isSet(busOption)
                              ? QDBusConnection::connectToBus(parser.value(busOption), connectionName)
                              : QDBusConnection::connectToBus(QDBusConnection::SystemBus, connectionName);
    ScriptedNetworkManager nm;
    nm.heard = [](const QString& entry) { say("CALL " + entry); };
    if (!bus.isConnected() || !bus.registerVirtualObject("/org/freedesktop", &nm, QDBusConnection::SubPath)
        || !bus.registerService(ScriptedNetworkManager::Service)) {
        std::fprintf(stderr, "ozm_scripted_nm: cannot take %s on the bus: %s\n",
                     qPrintable(ScriptedNetworkManager::Service), qPrintable(bus.lastError().message()));
        return 1;
    }
    say("READY");

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[4096];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            app.quit();
            return;
        }
        pending.append(chunk, int(got));
        for (int end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (!line.isEmpty())
                say((apply(nm, line) ? "OK " : "BAD ") + line);
        }
    });
    const int status = app.exec();
    bus.unregisterService(ScriptedNetworkManager::Service);
    bus.unregisterObject("/org/freedesktop", QDBusConnection::UnregisterTree);
    QDBusConnection::disconnectFromBus(connectionName);
    return status;
}
