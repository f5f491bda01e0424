#pragma once

#include <QCoreApplication>

class QNetworkAccessManager;

// The partner utility: fetches the subscription information of one identifier
// from the service and leaves the answer, byte for byte, in "subscription_tmp"
// beside the executable.
class QYEButilApp : public QCoreApplication
{
    Q_OBJECT
public:
    static constexpr int IdLength = 24;
    // The request has no deadline of the service's; a stalled one must not keep
    // the partner's caller waiting for ever.
    static constexpr int RequestTimeoutMs = 60000;

    QYEButilApp(int& argc, char** argv);

    // The status of a bad command line at once, else the event loop's result.
    int exec();

    static bool isValidCommandLine(int argc, char** argv);

public slots:
    void onDownloadStart();
    void onRquestDone();

private:
    QString id;
    int status = -1;
    QNetworkAccessManager* network = nullptr;
};
