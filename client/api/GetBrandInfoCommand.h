#pragma once

#include "HttpCommand.h"

#include <QDomElement>

class ClientAuthData;

// Asks the service for the brand: texts, and the addresses of its images.
class GetBrandInfoCommand : public HttpCommand
{
    Q_OBJECT
public:
    GetBrandInfoCommand(const ClientAuthData& data, QObject* parent);

    // The reply's element; null when no reply was read.
    QDomElement commandXMLanswer() const { return answer; }

protected:
    bool readXml(const QDomElement& result) override;

private:
    QDomElement answer;
};
