#include "SendReportCommand.h"

SendReportCommand::SendReportCommand(const ClientAuthData& auth, const QString& name, const QString& email,
                                     const QString& subject, const QString& text, const QString& requestText,
                                     QObject* parent)
    : AccountCommand(QStringLiteral("sendreport"), auth, {Serial}, parent)
{
    send(QStringLiteral("request_text"), requestText);
    sendIfGiven(QStringLiteral("name"), name);
    sendIfGiven(QStringLiteral("request_email"), email);
    sendIfGiven(QStringLiteral("user_subject"), subject);
    sendIfGiven(QStringLiteral("user_text"), text);
    post = true;
}

bool SendReportCommand::readXml(const QDomElement&)
{
    return true;
}

void SendReportCommand::sendIfGiven(const QString& key, const QString& value)
{
    if (!value.isEmpty())
        send(key, value);
}
