#include "QYEButilApp.h"

#include "UtilLogLine.h"

#include <Folders.h>
#include <FolderManager.h>
#include <HttpAccessCreator.h>
#include <TransportRules.h>

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QTimer>
#include <QUrl>

namespace {
const char SubscriptionQuery[] = "/mobile/licMobile?act=get_email_by_id_base64&appid=PC-YEBLIF00001&id=";
} // namespace

QYEButilApp::QYEButilApp(int& argc, char** argv)
    : QCoreApplication(argc, argv)
{
    if (isValidCommandLine(argc, argv)) {
        id = QString::fromLocal8Bit(argv[2]);
        status = 0;
    }
}

bool QYEButilApp::isValidCommandLine(int argc, char** argv)
{
    return argc >= 3 && QString::fromLocal8Bit(argv[2]).size() == IdLength;
}

int QYEButilApp::exec()
{
    if (status != 0)
        return status;
    QTimer::singleShot(0, this, &QYEButilApp::onDownloadStart);
    const int code = QCoreApplication::exec();
    // The transfer's thread is ended while the application still stands: once
    // its destruction has begun, a request cut short by the time-out may keep
    // that thread from finishing, and the thread with all it holds is lost.
    qDeleteAll(findChildren<QNetworkReply*>(QString(), Qt::FindDirectChildrenOnly));
    delete network;
    network = nullptr;
    return code;
}

void QYEButilApp::onDownloadStart()
{
    UtilLogLine() << "Downloading subscription info for id: " << id;
    // The partner's build trusts the same extra authorities as the client.
    Folders::setAppFolder(FolderManager::appFolder());
    TransportRules::trustExtraCertificates();
    network = new QNetworkAccessManager(this);
    // A base64 id holds "+", "/" and "=", which the service would read as a
    // blank and as separators.
    const QUrl address(HttpAccessCreator::BuiltInUrl() + QLatin1String(SubscriptionQuery)
                           + QString::fromLatin1(QUrl::toPercentEncoding(id)),
                       QUrl::TolerantMode);
    QNetworkRequest request(address);
    request.setRawHeader("accept", "application/json");
    request.setRawHeader("User-Agent", "YEB OZM util");
    request.setTransferTimeout(RequestTimeoutMs);
    QNetworkReply* reply = network->get(request);
    reply->setParent(this);
    connect(reply, &QNetworkReply::finished, this, &QYEButilApp::onRquestDone);
}

void QYEButilApp::onRquestDone()
{
    auto* reply = qobject_cast<QNetworkReply*>(sender());
    if (!reply)
        return;
    if (reply->error() != QNetworkReply::NoError) {
        UtilLogLine() << "http_error = " << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt()
                      << " : " << reply->errorString();
        exit(-1);
        return;
    }
    UtilLogLine() << "download done.";
    const QByteArray body = reply->readAll();
    // Written aside and put in place whole: a failure leaves the previous file.
    QSaveFile file(applicationDirPath() + QLatin1String("/subscription_tmp"));
    if (!file.open(QIODevice::WriteOnly)) {
        UtilLogLine() << "Unable to open file: " << file.errorString();
        exit(-1);
        return;
    }
    if (file.write(body) != body.size() || !file.flush() || !file.commit()) {
        UtilLogLine() << "Unable to write file: " << file.errorString();
        exit(-1);
        return;
    }
    exit(0);
}
