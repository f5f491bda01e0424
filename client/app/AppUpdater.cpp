#include "AppUpdater.h"

#include "UpdateNotify.h"

#include <AppConstants.h>
#include <ClientTimeScale.h>
#include <Folders.h>
#include <HttpAccess.h>
#include <HttpResponse.h>
#include <I18n.h>
#include <TransportRules.h>
#include <UpdateCommand.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QUrl>

const QString AppUpdater::UpdatingFlagName = QStringLiteral(".updating");

namespace {

const char* const Locale = "en_EN";

QString packageNamePrefix()
{
    return QCoreApplication::applicationName() + QStringLiteral("_update.");
}

// An address the service sent is followed only over https: anything else would
// let whoever sits on the network choose what the installer is given.
bool isHttpsLocation(const QUrl& url)
{
    return url.isValid() && url.scheme() == QLatin1String("https") && !url.host().isEmpty();
}

void removeFile(const QString& path, const char* what)
{
    qDebug().noquote() << what << path;
    if (!QFile::remove(path))
        qWarning().noquote() << "Failed to remove" << path;
}

} // namespace

AppUpdater::AppUpdater(QObject* parent)
    : QObject(parent)
{
    retryTimer.setSingleShot(true);
    connect(&retryTimer, &QTimer::timeout, this, &AppUpdater::startUpdateCheck);
    stallTimer.setSingleShot(true);
    connect(&stallTimer, &QTimer::timeout, this, &AppUpdater::onStalled);
    removeLeftovers();
}

// An offer still open has no one left to answer it.
AppUpdater::~AppUpdater()
{
    delete updateNotify.data();
}

QString AppUpdater::packageFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QLatin1Char('/')
           + gApplicationName + QStringLiteral("/update");
}

QString AppUpdater::updatingFlagPath()
{
    return Folders::app_data_folder + QLatin1Char('/') + UpdatingFlagName;
}

// The flag and the package handed over last time, and whatever a run that
// ended mid-download left behind.
void AppUpdater::removeLeftovers()
{
    if (QFile::exists(updatingFlagPath()))
        removeFile(updatingFlagPath(), "Removing update flag");
    const QDir folder(packageFolder());
    for (const QString& name : folder.entryList({packageNamePrefix() + QLatin1Char('*')}, QDir::Files | QDir::Hidden))
        removeFile(folder.filePath(name), "Removing update package");
}

void AppUpdater::init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> auth)
{
    this->access = access;
    this->auth = auth;
}

void AppUpdater::start()
{
    startUpdateCheck();
}

void AppUpdater::applyBrandInfo()
{
    if (updateNotify)
        updateNotify->applyBrandInfo();
}

void AppUpdater::startUpdateCheck()
{
    delete updateCommand.data();
    updateCommand = new UpdateCommand(*auth, ClientBuild, QLatin1String(Locale), this);
    connect(updateCommand, &HttpCommand::completed, this, &AppUpdater::onUpdateCommandCompleted);
    updateCommand->execute(access.data());
}

void AppUpdater::onUpdateCommandCompleted(bool success)
{
    if (!updateCommand)
        return;
    updateCommand->deleteLater();
    if (!success) {
        // The check repeats for as long as the client runs.
        retryTimer.start(ClientTimeScale::scaled(CheckRetryMs));
        return;
    }
    if (updateCommand->url.isEmpty()) {
        updateLocation.clear();
        qDebug().noquote() << "Update check: no update";
        emit finished();
        return;
    }
    offer(*updateCommand);
}

void AppUpdater::offer(const UpdateCommand& command)
{
    updateLocation = command.url;
    updateNotify = new UpdateNotify(command.description, command.url, command.version);
    connect(this, &AppUpdater::updateProgress, updateNotify, &UpdateNotify::updateProgress);
    connect(this, &AppUpdater::updateError, updateNotify, &UpdateNotify::updateError);
    connect(this, &AppUpdater::updateFinished, updateNotify, &UpdateNotify::updateFinished);
    connect(updateNotify, &UpdateNotify::startUpdate, this, &AppUpdater::startUpdate);
    connect(updateNotify, &UpdateNotify::stopUpdate, this, &AppUpdater::stopUpdate);
    connect(updateNotify, &QDialog::finished, this, &AppUpdater::finished);
    updateNotify->display();
}

void AppUpdater::startUpdate()
{
    const QUrl location(updateLocation);
    if (updateLocation.isEmpty() || !isHttpsLocation(location)) {
        if (!updateLocation.isEmpty())
            qWarning().noquote() << "Update location refused, not https:" << updateLocation;
        emit updateError(tr("Failed to get update location"));
        return;
    }
    abandonDownload();
    if (!openFreshFile()) {
        emit updateError(tr("Failed to create update file"));
        return;
    }
    if (!manager) {
        TransportRules::trustExtraCertificates();
        manager = new QNetworkAccessManager(this);
    }
    qDebug().noquote() << "Downloading" << HttpAccess::loggedUrl(location) << "to" << updateFile->fileName();
    download = std::make_unique<HttpResponse>(manager->get(QNetworkRequest(location)), updateFile.get(), nullptr);
    connect(download.get(), &HttpResponse::finished, this, &AppUpdater::executeUpdate);
    connect(download.get(), &HttpResponse::progress, this, &AppUpdater::downloadProgress);
    stalled = false;
    stallTimer.start(ClientTimeScale::scaled(StallTimeoutMs));
}

// A new file for every attempt: bytes of an earlier one never mix with this one's.
bool AppUpdater::openFreshFile()
{
    QDir().mkpath(packageFolder());
    updateFile = std::make_unique<QTemporaryFile>(packageFolder() + QLatin1Char('/') + packageNamePrefix()
                                                  + QStringLiteral("XXXXXX"));
    if (updateFile->open())
        return true;
    updateFile.reset();
    return false;
}

void AppUpdater::downloadProgress(qint64 bytesCurrent, qint64 bytesTotal)
{
    if (download && !stalled)
        stallTimer.start();
    // A total the server did not announce comes as 0 or less.
    const int percent = bytesTotal > 0 ? int(bytesCurrent * 100 / bytesTotal) : 0;
    emit updateProgress(tr("Downloading update"), percent);
}

void AppUpdater::onStalled()
{
    if (!download)
        return;
    stalled = true;
    download->abortReply();
}

void AppUpdater::stopUpdate()
{
    abandonDownload();
    delete manager;
    manager = nullptr;
}

void AppUpdater::abandonDownload()
{
    stallTimer.stop();
    download.reset();
    updateFile.reset();
}

QNetworkReply::NetworkError AppUpdater::downloadFault() const
{
    if (stalled)
        return QNetworkReply::TimeoutError;
    if (!download->isOk())
        return download->error() == QNetworkReply::NoError ? QNetworkReply::UnknownNetworkError : download->error();
    const QNetworkReply* reply = download->getNetworkReply();
    if (reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return QNetworkReply::UnknownContentError;
    // Without an announced length the chunked framing tells a cut transfer.
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (!updateFile || (announced.isValid() && announced.toLongLong() != updateFile->size()))
        return QNetworkReply::RemoteHostClosedError;
    return QNetworkReply::NoError;
}

void AppUpdater::executeUpdate()
{
    if (!download)
        return;
    stallTimer.stop();
    const QNetworkReply::NetworkError fault = downloadFault();
    if (fault != QNetworkReply::NoError) {
        qDebug().noquote() << "Error Downloading" << (updateFile ? updateFile->fileName() : QString());
        updateFile.reset();
        emit updateError(I18n::localizeNetworkReplyError(fault));
        return;
    }
    qDebug().noquote() << "Downloading" << updateFile->fileName() << "finished, starting";
    emit updateProgress(tr("Installing update"), 100);
    handOver();
}

// To the desktop's installer for Debian packages, through xdg-open.
void AppUpdater::handOver()
{
    updateFile->close();
    updateFile->rename(updateFile->fileName() + QStringLiteral(".deb"));
    const QString name = updateFile->fileName();
    if (!QFile::exists(name)) {
        updateFile.reset();
        emit updateError(tr("Update installation failed to start"));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(name))) {
        updateFile.reset();
        emit updateError(tr("Failed to start update installation"));
        return;
    }
    // The installer may read it after the client has quit; the next start removes it.
    updateFile->setAutoRemove(false);
    updateFile.reset();
    emit updateFinished();
    createUpdatingFlag();
}

void AppUpdater::createUpdatingFlag()
{
    const QString path = updatingFlagPath();
    if (QFile::exists(path))
        return;
    qWarning().noquote() << "Creating update flag" << path;
    QFile flag(path);
    if (!flag.open(QIODevice::WriteOnly))
        qWarning().noquote() << "Failed to create update flag";
}

void AppUpdater::updateProcessStarted()
{
    emit updateFinished();
}

void AppUpdater::updateProcessFinished(int, QProcess::ExitStatus exitStatus)
{
    if (exitStatus == QProcess::CrashExit) {
        emit updateError(tr("Update installation canceled"));
        return;
    }
    if (updateNotify)
        updateNotify->accept();
    else
        qCritical().noquote() << "AppUpdater: cannot access to updateNotify_ object";
}

void AppUpdater::updateProcessError(QProcess::ProcessError error)
{
    if (error == QProcess::FailedToStart)
        emit updateError(tr("Update installation failed to start"));
    else
        emit updateError(tr("Error executing update installation: %1").arg(int(error)));
}
