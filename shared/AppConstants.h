#pragma once

#include <QString>
#include <QStringList>

extern const QString app_id;
extern const QString gApplicationName;
extern const QString gApplicationNameUI;
extern const QString gSingleApplicationID;
extern const QStringList OldAppIdList;

QString appID();
void setAppID(const QString& id);
