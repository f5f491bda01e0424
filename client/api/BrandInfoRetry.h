#pragma once

#include <QObject>
#include <QTimer>

// Decides when the brand information is asked for again after a request that
// did not bring it. Until it arrives the account flow, the update check and the
// location update wait for it, so giving up is no choice: the next request
// comes after 30 s, each later wait twice the one before up to 10 min, and at
// once when the network comes back. Once the brand data is applied it asks for
// nothing more.
class BrandInfoRetry : public QObject
{
    Q_OBJECT
public:
    static constexpr int FirstDelayMs = 30000;
    static constexpr int LongestDelayMs = 600000;

    explicit BrandInfoRetry(QObject* parent = nullptr);

signals:
    // Time to send the brand-information request again.
    void retryDue();

public slots:
    // A request ended and the brand data still is not applied.
    void requestFailed();
    // The network is up again after being down.
    void networkReturned();

private:
    void onTimeout();
    // True while the brand data still waits for the service; otherwise the
    // waits start over from the first.
    bool brandStillNeeded();

    QTimer timer;
    int nextDelayMs = FirstDelayMs;
};
