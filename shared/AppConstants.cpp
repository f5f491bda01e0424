#include "AppConstants.h"

#include <QMutex>

const QString app_id = QStringLiteral("MAC-OZM");
const QString gApplicationName = QStringLiteral("Ozmira");
const QString gApplicationNameUI = QString(gApplicationName).replace(QLatin1Char('_'), QLatin1Char(' '));
const QString gSingleApplicationID = QStringLiteral("{DDDF321E-F9A4-4bd8-83EC-8AFD725202DA}");
const QStringList OldAppIdList = {
    QStringLiteral("b10d96a0-ee23-11e2-91e2-0800200c9a66"),
    QStringLiteral("3gf82098-bbbc-4875-a1bc-a90bc0c093f7"),
};

namespace {
QMutex currentIdLock;
QString& currentId()
{
    static QString id = app_id;
    return id;
}
} // namespace

QString appID()
{
    QMutexLocker lock(&currentIdLock);
    return currentId();
}

void setAppID(const QString& id)
{
    QMutexLocker lock(&currentIdLock);
    currentId() = id;
}
