#include "BedServiceReplies.h"

namespace BedServiceReplies {

QByteArray init(const QStringList& hosts)
{
    return initClusters({hosts});
}

QByteArray initClusters(const QList<QStringList>& clusters)
{
    QByteArray servers;
    QByteArray clusterList;
    int server = 0;
    for (int c = 0; c < clusters.size(); ++c) {
        const QByteArray suffix = c == 0 ? QByteArray() : QByteArray::number(c + 1);
        QByteArray names;
        for (const QString& host : clusters.at(c)) {
            const QByteArray name = "server" + QByteArray::number(server++);
            servers += "<server><name>" + name + "</name><hostname>" + host.toUtf8() +
                       "</hostname><city>Testville</city><country>TL</country><state></state></server>";
            names += "<element>" + name + "</element>";
        }
        clusterList += "<cluster><name>Testbed" + suffix + "</name><description>Test bed" +
                       (suffix.isEmpty() ? QByteArray() : " " + suffix) +
                       "</description><iso_country_code>TL</iso_country_code><servers>" + names +
                       "</servers></cluster>";
    }
    return "<response><result><status>success</status><vpnlist>" + servers + "</vpnlist><clusters>" + clusterList +
           "</clusters><location><ip>10.77.0.50</ip><description>Testville</description>"
           "<iso_country_code>TL</iso_country_code></location></result></response>";
}

QByteArray setup(const QString& host, const QString& password)
{
    return "<response><result><status>success</status><code>1501</code><glossary><hostname>" + host.toUtf8() +
           "</hostname><username>" + TestBed::User.toUtf8() + "</username><password>" + password.toUtf8() +
           "</password></glossary><encrypted>1</encrypted></result></response>";
}

QByteArray profile(const QString& email, const QString& deviceId)
{
    const QByteArray id = deviceId.toUtf8();
    const QByteArray devices =
        id.isEmpty() ? QByteArray() : "<device><devid>" + id + "</devid><device_name>Desk</device_name></device>";
    const QByteArray serials =
        id.isEmpty() ? QByteArray() : "<item><serial>" + email.toUtf8() + "-" + id + "</serial></item>";
    return "<response><result><status>success</status><code>701</code><lictype>Premium</lictype>"
           "<tariff_name>Premium year</tariff_name><account_type>1</account_type>"
           "<not_before>2024-01-01 00:00:00</not_before><not_after>2099-12-31 23:59:59</not_after>"
           "<total_days>365</total_days><left_days>200</left_days><days_before_start>0</days_before_start>"
           "<has_password>1</has_password><existing_device_count>" +
           QByteArray(id.isEmpty() ? "0" : "1") + "</existing_device_count><user_device_limit>5</user_device_limit>"
           "<devlist>" + devices + "</devlist><seriallist>" + serials + "</seriallist></result></response>";
}

} // namespace BedServiceReplies
