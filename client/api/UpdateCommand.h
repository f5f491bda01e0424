#pragma once

#include "AccountCommand.h"

// Asks whether a newer client is offered. url is where the updater would fetch
// it: the updater, not this command, insists on https before it follows it.
class UpdateCommand : public AccountCommand
{
    Q_OBJECT
public:
    // version: the client's own build number; locale: its language code.
    UpdateCommand(const ClientAuthData& auth, int version, const QString& locale, QObject* parent);

    // Empty when no update is offered.
    QString url;
    // 0 when the reply has none or not a decimal number.
    int version = 0;
    QString description;

protected:
    bool readXml(const QDomElement& result) override;
};
