#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QSharedPointer>
#include <QString>
#include <QTimer>

#include <memory>

class ClientAuthData;
class HttpAccess;
class HttpResponse;
class QNetworkAccessManager;
class QTemporaryFile;
class UpdateCommand;
class UpdateNotify;

// Asks the service once per run whether a newer client is offered and offers it
// in UpdateNotify. When the user starts the update it downloads the package over
// https into a fresh file under ~/.cache/Ozmira/update/, and hands a complete one
// to the desktop's package installer, which asks for administrator rights
// itself: the client never installs anything as root. The package stays until
// the next start, as the installer may read it after the client has quit.
class AppUpdater : public QObject
{
    Q_OBJECT
public:
    // Left in the data folder once a package was handed over.
    static const QString UpdatingFlagName;
    static constexpr int CheckRetryMs = 60000;
    // A download that moves no byte for this long fails.
    static constexpr int StallTimeoutMs = 60000;
    static constexpr int ClientBuild = 5314;

    explicit AppUpdater(QObject* parent = nullptr);
    ~AppUpdater() override;

    void init(QSharedPointer<HttpAccess> access, QSharedPointer<ClientAuthData> auth);
    void start();

    // Where packages are downloaded to and kept.
    static QString packageFolder();
    static QString updatingFlagPath();

signals:
    void updateProgress(const QString& stage, int percent);
    void updateError(const QString& message);
    void updateFinished();
    void finished();

public slots:
    void applyBrandInfo();
    void startUpdateCheck();
    void onUpdateCommandCompleted(bool success);
    void startUpdate();
    void downloadProgress(qint64 bytesCurrent, qint64 bytesTotal);
    void stopUpdate();
    void executeUpdate();
    // Nothing starts an installer process here; the desktop runs it.
    void updateProcessStarted();
    void updateProcessFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void updateProcessError(QProcess::ProcessError error);

private:
    void removeLeftovers();
    void offer(const UpdateCommand& command);
    bool openFreshFile();
    void onStalled();
    // Why the finished download cannot be handed over; NoError when it can.
    QNetworkReply::NetworkError downloadFault() const;
    // Ends the transfer and drops the file it wrote.
    void abandonDownload();
    void handOver();
    void createUpdatingFlag();

    QTimer retryTimer;
    QSharedPointer<ClientAuthData> auth;
    QSharedPointer<HttpAccess> access;
    QPointer<UpdateCommand> updateCommand;
    QPointer<UpdateNotify> updateNotify;
    QNetworkAccessManager* manager = nullptr;
    std::unique_ptr<HttpResponse> download;
    QString updateLocation;
    std::unique_ptr<QTemporaryFile> updateFile;
    QTimer stallTimer;
    bool stalled = false;
};
