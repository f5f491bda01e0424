#pragma once

#include "AccountCommand.h"
#include "DataSession.h"

#include <QList>

class QDomElement;

// The account's sessions on this device over a span of days or of sessions,
// oldest first, and the one the service marks as running.
class UsageCommand : public AccountCommand
{
    Q_OBJECT
public:
    enum SpanType { Days = 0, Sessions = 1 };

    UsageCommand(const ClientAuthData& auth, SpanType spanType, unsigned int span, QObject* parent);

    QList<DataSession> sessions;
    QList<DataSession> allSessions;
    // Invalid start and all 0 when none is running.
    DataSession activeSession;

    // The sessions of parent's "element" children, oldest first; with findActive
    // the first running one with a readable start also becomes activeSession.
    QList<DataSession> readSessions(QDomElement& parent, bool findActive);

protected:
    bool readXml(const QDomElement& result) override;

private:
    static DataSession readSession(const QDomElement& element);
};
