#pragma once

#include "AccountCommand.h"

// A support request with the technical report, posted as a form; its upload is
// followed through progress. What the user left empty is not sent.
class SendReportCommand : public AccountCommand
{
    Q_OBJECT
public:
    SendReportCommand(const ClientAuthData& auth, const QString& name, const QString& email, const QString& subject,
                      const QString& text, const QString& requestText, QObject* parent);

protected:
    bool readXml(const QDomElement& result) override;

private:
    void sendIfGiven(const QString& key, const QString& value);
};
