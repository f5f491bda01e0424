#include "StandInService.h"

#include "ScriptProcess.h"

#include <Folders.h>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

namespace {

const char* const PortNames[] = {"https", "expired", "self_signed", "wrong_host", "http"};
constexpr int CallTimeoutMs = 20000;

// One CA for the whole process: the first access point or page fetch installs it.
QString certificateFolder()
{
    static QTemporaryDir folder;
    return folder.path();
}

QList<QPair<QString, QString>> pairs(const QJsonValue& value)
{
    QList<QPair<QString, QString>> result;
    for (const QJsonValue& pair : value.toArray())
        result.append({pair[0].toString(), pair[1].toString()});
    return result;
}

QByteArray latin1(const QJsonValue& value)
{
    return value.toString().toLatin1();
}

StandInRequest requestFrom(const QJsonObject& record)
{
    StandInRequest request;
    request.port = record[QLatin1String("port")].toString();
    request.method = latin1(record[QLatin1String("method")]);
    request.target = latin1(record[QLatin1String("target")]);
    request.path = record[QLatin1String("path")].toString();
    request.act = record[QLatin1String("act")].toString();
    request.query = pairs(record[QLatin1String("query")]);
    request.form = pairs(record[QLatin1String("form")]);
    for (const auto& header : pairs(record[QLatin1String("headers")]))
        request.headers.append({header.first.toLatin1(), header.second.toLatin1()});
    request.body = QByteArray::fromBase64(latin1(record[QLatin1String("body")]));
    request.json = record[QLatin1String("json")];
    return request;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

QByteArray StandInRequest::header(const QByteArray& name) const
{
    for (const auto& header : headers)
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    return QByteArray();
}

QString StandInRequest::formField(const QString& name) const
{
    for (const auto& field : form)
        if (field.first == name)
            return field.second;
    return QString();
}

QByteArray StandInRequest::rawQuery() const
{
    const int mark = target.indexOf('?');
    return mark < 0 ? QByteArray() : target.mid(mark + 1);
}

StandInReply::StandInReply(const QString& method, const QString& path)
{
    match[QLatin1String("path")] = path;
    if (!method.isEmpty())
        match[QLatin1String("method")] = method;
}

StandInReply& StandInReply::act(const QString& act)
{
    match[QLatin1String("act")] = act;
    return *this;
}

StandInReply& StandInReply::status(int status)
{
    reply[QLatin1String("status")] = status;
    return *this;
}

StandInReply& StandInReply::header(const QByteArray& name, const QByteArray& value)
{
    QJsonArray headers = reply[QLatin1String("headers")].toArray();
    headers.append(QJsonArray{QString::fromLatin1(name), QString::fromLatin1(value)});
    reply[QLatin1String("headers")] = headers;
    return *this;
}

StandInReply& StandInReply::body(const QByteArray& body)
{
    reply[QLatin1String("body_base64")] = QString::fromLatin1(body.toBase64());
    return *this;
}

StandInReply& StandInReply::xml(const QByteArray& body)
{
    return header("Content-Type", "text/xml").body(body);
}

StandInReply& StandInReply::sample(const QString& name)
{
    reply[QLatin1String("sample")] = name;
    return header("Content-Type", "text/xml");
}

StandInReply& StandInReply::file(const QString& path)
{
    reply[QLatin1String("file")] = path;
    return *this;
}

StandInReply& StandInReply::generated(qint64 size)
{
    reply[QLatin1String("size")] = size;
    return *this;
}

StandInReply& StandInReply::delay(int ms)
{
    reply[QLatin1String("delay_ms")] = ms;
    return *this;
}

StandInReply& StandInReply::stall()
{
    reply[QLatin1String("stall")] = true;
    return *this;
}

StandInReply& StandInReply::drip(int chunk, int intervalMs)
{
    reply[QLatin1String("drip")] = QJsonObject{{QLatin1String("chunk"), chunk}, {QLatin1String("interval_ms"), intervalMs}};
    return *this;
}

StandInReply& StandInReply::closeEarly()
{
    reply[QLatin1String("close_early")] = true;
    return *this;
}

StandInReply& StandInReply::stallAfter(qint64 bytes)
{
    reply[QLatin1String("stall_after")] = bytes;
    return *this;
}

StandInReply& StandInReply::resetAfter(qint64 bytes)
{
    reply[QLatin1String("reset_after")] = bytes;
    return *this;
}

StandInReply& StandInReply::redirect(const QByteArray& location)
{
    return status(301).header("Location", location);
}

StandInReply& StandInReply::lastModified(const QDateTime& time)
{
    reply[QLatin1String("last_modified")] =
        QLocale::c().toString(time.toUTC(), QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"));
    return *this;
}

StandInReply& StandInReply::times(int count)
{
    reply[QLatin1String("times")] = count;
    return *this;
}

StandInReply& StandInReply::fill(const QStringList& keys)
{
    reply[QLatin1String("fill")] = QJsonArray::fromStringList(keys);
    return *this;
}

QJsonObject StandInReply::json() const
{
    return QJsonObject{{QLatin1String("match"), match}, {QLatin1String("reply"), reply}};
}

StandInService::StandInService(const ScriptProcess::Launcher& launch, const QString& address)
    // The name its certificate holds besides 127.0.0.1.
    : host(address.isEmpty() ? QStringLiteral("127.0.0.1") : QStringLiteral("api.ozmira.net"))
{
    const QString portFile = data.filePath(QStringLiteral("ports.json"));
    QStringList arguments = {QStringLiteral(OZM_STAND_IN_SCRIPT), QStringLiteral("--cert-dir"), certificateFolder(),
                             QStringLiteral("--port-file"), portFile, QStringLiteral("--control")};
    if (!address.isEmpty())
        arguments << QStringLiteral("--address") << address;
    // The first line says it listens; the port file is what a person would read.
    const bool ready = ScriptProcess::start(process, arguments, launch);
    QFile file(portFile);
    if (!ready || !file.open(QIODevice::ReadOnly)) {
        qWarning() << "stand-in service did not start";
        return;
    }
    process.readLine();
    const QJsonObject numbers = QJsonDocument::fromJson(file.readAll()).object();
    for (int which = Https; which <= Http; ++which)
        ports[Port(which)] = quint16(numbers[QLatin1String(PortNames[which])].toInt());

    Folders::setAppFolder(app.path());
    Folders::setAppDataFolder(data.path());
    QFile ca(certificateFolder() + QStringLiteral("/ca.pem"));
    ca.open(QIODevice::ReadOnly);
    writeFile(app.filePath(QStringLiteral("certs/test-ca.pem")), ca.readAll());
    writeFile(data.filePath(QStringLiteral("licenseserver")), url().toUtf8() + '\n');
}

StandInService::~StandInService()
{
    ScriptProcess::end(process);
}

bool StandInService::isRunning() const
{
    return process.state() == QProcess::Running && !ports.isEmpty();
}

quint16 StandInService::port(Port which) const
{
    return ports.value(which);
}

QString StandInService::url(Port which) const
{
    return QStringLiteral("%1://%2:%3").arg(which == Http ? "http" : "https", host).arg(port(which));
}

QJsonObject StandInService::call(const QJsonObject& command) const
{
    process.write(QJsonDocument(command).toJson(QJsonDocument::Compact) + '\n');
    bool answered = process.waitForBytesWritten(CallTimeoutMs) || process.bytesToWrite() == 0;
    while (answered && !process.canReadLine())
        answered = process.waitForReadyRead(CallTimeoutMs);
    if (!answered) {
        qWarning() << "stand-in service did not answer" << command;
        return QJsonObject();
    }
    return QJsonDocument::fromJson(process.readLine()).object();
}

void StandInService::reply(const StandInReply& reply)
{
    QJsonObject command = reply.json();
    command[QLatin1String("op")] = QStringLiteral("reply");
    call(command);
}

void StandInService::addCommand(const QString& method, const QString& path, const QString& act,
                                const QStringList& queryKeys, const QStringList& formKeys, const QString& contentType)
{
    call(QJsonObject{{QLatin1String("op"), QStringLiteral("command")},
                     {QLatin1String("method"), method},
                     {QLatin1String("path"), path},
                     {QLatin1String("act"), act},
                     {QLatin1String("query"), QJsonArray::fromStringList(queryKeys)},
                     {QLatin1String("form"), QJsonArray::fromStringList(formKeys)},
                     {QLatin1String("content_type"), contentType}});
}

QList<StandInRequest> StandInService::requests() const
{
    QList<StandInRequest> result;
    const QJsonArray records = call({{QLatin1String("op"), QStringLiteral("requests")}})[QLatin1String("requests")].toArray();
    for (const QJsonValue& record : records)
        result.append(requestFrom(record.toObject()));
    return result;
}

QStringList StandInService::violations() const
{
    QStringList result;
    for (const QJsonValue& line : call({{QLatin1String("op"), QStringLiteral("violations")}})[QLatin1String("violations")].toArray())
        result.append(line.toString());
    return result;
}

int StandInService::connections(Port which) const
{
    const QJsonObject counts = call({{QLatin1String("op"), QStringLiteral("connections")}})[QLatin1String("connections")].toObject();
    return counts[QLatin1String(PortNames[which])].toInt();
}

void StandInService::reset()
{
    call({{QLatin1String("op"), QStringLiteral("reset")}});
}
