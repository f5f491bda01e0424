#include "BrandInfoRetry.h"

#include "ClientTimeScale.h"
#include "coBranding.h"

#include <QDebug>

BrandInfoRetry::BrandInfoRetry(QObject* parent)
    : QObject(parent)
{
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &BrandInfoRetry::onTimeout);
}

bool BrandInfoRetry::brandStillNeeded()
{
    if (coBranding::inst()->needUpdate())
        return true;
    timer.stop();
    nextDelayMs = FirstDelayMs;
    return false;
}

void BrandInfoRetry::requestFailed()
{
    if (!brandStillNeeded())
        return;
    qWarning().noquote() << "[co-branding] Asking for the brand information again in" << nextDelayMs / 1000 << "s";
    timer.start(ClientTimeScale::scaled(nextDelayMs));
    nextDelayMs = qMin(nextDelayMs * 2, LongestDelayMs);
}

void BrandInfoRetry::networkReturned()
{
    if (!timer.isActive())
        return;
    timer.stop();
    onTimeout();
}

void BrandInfoRetry::onTimeout()
{
    if (brandStillNeeded())
        emit retryDue();
}
