#include "BedServiceReplies.h"

namespace BedServiceReplies {

QByteArray init(const QStringList& hosts)
{
    QByteArray servers;
    QByteArray names;
    for (int i = 0; i < hosts.size(); ++i) {
        const QByteArray name = "server" + QByteArray::number(i);
        servers += "<server><name>" + name + "</name><hostname>" + hosts.at(i).toUtf8() +
                   "</hostname><city>Testville</city><country>TL</country><state></state></server>";
        names += "<element>" + name + "</element>";
    }
    return "<response><result><status>success</status><vpnlist>" + servers +
           "</vpnlist><clusters><cluster><name>Testbed</name><description>Test bed</description>"
           "<iso_country_code>TL</iso_country_code><servers>" + names + "</servers></cluster></clusters>"
           "<location><ip>10.77.0.50</ip><description>Testville</description><iso_country_code>TL</iso_country_code>"
           "</location></result></response>";
}

QByteArray setup(const QString& host, const QString& password)
{
    return "<response><result><status>success</status><code>1501</code><glossary><hostname>" + host.toUtf8() +
           "</hostname><username>" + TestBed::User.toUtf8() + "</username><password>" + password.toUtf8() +
           "</password></glossary><encrypted>1</encrypted></result></response>";
}

} // namespace BedServiceReplies
