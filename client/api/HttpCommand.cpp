#include "HttpCommand.h"

#include "HttpAccess.h"
#include "HttpCommandCode.h"
#include "HttpResponse.h"
#include "SecretMasking.h"

#include <QDebug>
#include <QDomDocument>
#include <QXmlStreamReader>

#include <climits>

const QString HttpCommand::MobilePath = QStringLiteral("/mobile/licMobile");
const QString HttpCommand::SetupConnectionPath = QStringLiteral("/setup_connection");
const QString HttpCommand::ServicePath = QStringLiteral("/service/");
const QString HttpCommand::DictionaryPath = QStringLiteral("/dictionary");

namespace {

// Enough of a reply for the log; the rest would only bury the lines around it.
constexpr int LoggedReplyLimit = 4096;

// Why a reply is not handed to the DOM parser, empty when it may be. The parser
// expands internal entities without limit and recurses once per nesting level:
// a small hostile reply could exhaust memory or the stack.
QString refusalOf(const QByteArray& data)
{
    QXmlStreamReader reader(data);
    reader.setNamespaceProcessing(false);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            return QStringLiteral("document type declaration");
        case QXmlStreamReader::StartElement:
            if (++depth > HttpCommand::MaxXmlDepth)
                return QStringLiteral("nested deeper than %1 elements").arg(HttpCommand::MaxXmlDepth);
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return reader.hasError() ? QStringLiteral("not XML: ") + reader.errorString() : QString();
}

// The document element, or its one child "result" when it has nothing else. A
// null element when that child's name matches in letters but not in case.
QDomElement resultElement(const QDomElement& root)
{
    const QDomNodeList children = root.childNodes();
    if (children.count() == 1 && children.at(0).nodeName().compare(QLatin1String("result"), Qt::CaseInsensitive) == 0)
        return root.firstChildElement(QStringLiteral("result"));
    return root;
}

uint saturatingSum(uint a, uint b)
{
    return a > UINT_MAX - b ? UINT_MAX : a + b;
}

} // namespace

HttpCommand::HttpCommand(const QString& act, const QString& path, QObject* parent)
    : QObject(parent)
    , act(act)
{
    this->path = path;
    params.insert(QStringLiteral("fmt"), QStringLiteral("xml"));
    if (!act.isEmpty())
        params.insert(QStringLiteral("act"), act);
    attemptTimer.setSingleShot(true);
    attemptTimer.setInterval(AttemptTimeoutMs);
    connect(&attemptTimer, &QTimer::timeout, this, &HttpCommand::onCommandTimeout);
    retryTimer.setSingleShot(true);
    connect(&retryTimer, &QTimer::timeout, this, qOverload<>(&HttpCommand::execute));
}

HttpCommand::~HttpCommand()
{
    delete response;
}

void HttpCommand::setupRetries(uint maxRetries, uint firstDelay, uint delayStep)
{
    this->maxRetries = maxRetries;
    firstRetryDelay = firstDelay;
    this->delayStep = delayStep;
}

void HttpCommand::execute(HttpAccess* access)
{
    this->access = access;
    retriesLeft = maxRetries;
    retryDelay = firstRetryDelay;
    retryTimer.stop();
    execute();
}

void HttpCommand::send(const QString& key, const QString& value)
{
    params.insert(key, value.isNull() ? QStringLiteral("") : value);
}

int HttpCommand::error() const
{
    return response ? int(response->error()) : -1;
}

QString HttpCommand::qtErrorString() const
{
    return response ? response->qtErrorString() : QString();
}

QString HttpCommand::commandName() const
{
    return act;
}

void HttpCommand::execute()
{
    HttpResponse* previous = response;
    response = access->execute(this, post, contentType);
    if (previous) {
        // Its finished may be what brought us here: it goes once that is over.
        previous->abort();
        previous->deleteLater();
    }
    attemptTimer.start();
    connect(response, &HttpResponse::finished, this, &HttpCommand::finished);
    connect(response, &HttpResponse::progress, this, &HttpCommand::progress);
}

void HttpCommand::onCommandTimeout()
{
    qCritical().noquote() << "Command" << act << "failed by timeout. Possible network issue.";
    response->abortReply();
}

void HttpCommand::finished(HttpResponse* finishedResponse)
{
    if (finishedResponse != response)
        return;
    attemptTimer.stop();
    if (response->isOk())
        readReply();
    else
        retryOrGiveUp();
}

void HttpCommand::retryOrGiveUp()
{
    if (retriesLeft == 0) {
        emit completed(false);
        return;
    }
    --retriesLeft;
    retryTimer.start(int(qMin<uint>(retryDelay, INT_MAX)));
    retryDelay = saturatingSum(retryDelay, delayStep);
    emit retried(maxRetries - retriesLeft);
}

void HttpCommand::readReply()
{
    text.clear();
    success = false;
    const QByteArray data = response->read();
    qDebug().noquote() << "\n <===== Response: \n"
                       << maskSecrets(QString::fromUtf8(data)).left(LoggedReplyLimit) << "\n";
    const QString refusal = refusalOf(data);
    if (!refusal.isEmpty()) {
        qWarning().noquote() << "Reply refused:" << refusal;
        emit completed(false);
        return;
    }
    QDomDocument document;
    if (!document.setContent(data, false)) {
        emit completed(false);
        return;
    }
    const QDomElement result = resultElement(document.documentElement());
    if (result.isNull()) {
        qWarning("Empty xml received");
        emit completed(false);
        return;
    }
    code = -1;
    const QString codeText = result.firstChildElement(QStringLiteral("code")).text();
    if (!codeText.isEmpty()) {
        bool isNumber = false;
        const int number = codeText.toInt(&isNumber, 10);
        code = isNumber ? number : int(HttpCommandCode::BadResultCode);
    }
    const QString status = result.firstChildElement(QStringLiteral("status")).text();
    success = status.isEmpty() || status.compare(QLatin1String("success"), Qt::CaseInsensitive) == 0;
    if (!status.isEmpty()) {
        const QDomElement statusmsg = result.firstChildElement(QStringLiteral("statusmsg"));
        text = !statusmsg.isNull() ? statusmsg.text() : result.firstChildElement(QStringLiteral("message")).text();
    }
    emit completed(readXml(result));
}
