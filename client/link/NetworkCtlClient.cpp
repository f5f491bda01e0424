#include "NetworkCtlClient.h"

#include "Ozm.h"
#include "OzmCommunicator.h"

#include <LinkProtocol.h>
#include <NetTools.h>
#include <OperatorWebHost.h>

#include <QDebug>

const QString NetworkCtlClient::CONNECTION_NO_CONNECTION = QStringLiteral("No connection");
const QString NetworkCtlClient::CONNECTION_UNKNOWN_CONNECTION_TYPE = QStringLiteral("Unknown connection type");
const QString NetworkCtlClient::CONNECTION_WIRED = QStringLiteral("Wired connection");
const QString NetworkCtlClient::CONNECTION_PPP = QStringLiteral("PPP connection");
const QString NetworkCtlClient::CONNECTION_WPA_2_WIFI_ENCRYPTION = QStringLiteral("WPA/2 wifi encryption");
const QString NetworkCtlClient::CONNECTION_WPA_WIFI_ENCRYPTION = QStringLiteral("WPA wifi encryption");
const QString NetworkCtlClient::CONNECTION_WEP_WIFI_ENCRYPTION = QStringLiteral("WEP wifi encryption");
const QString NetworkCtlClient::CONNECTION_UNEENCRYPTED_WIRELESS = QStringLiteral("Unencrypted wireless");

namespace {

NetworkCtlClient* instance = nullptr;

// A report's values, in order: physical state, secured, enabled, connection
// type, Wi-Fi name, Wi-Fi security, adapter check, adapter power.
constexpr int ReportSize = 8;
constexpr int TypeAt = 3;
constexpr int WifiNameAt = 4;

} // namespace

NetworkCtlClient* NetworkCtlClient::initInstance(QObject* parent)
{
    if (instance)
        return instance;
    Ozm* const link = Ozm::inst();
    if (!link)
        qFatal("NetworkCtlClient: cannot init instance without Ozm() instance");
    instance = new NetworkCtlClient(parent);
    link->registerSignalCallBack(QLatin1String(LinkProtocol::Event::LocalConnectionIsChanged), instance,
                                 "onLocalConnectionIsChanged");
    return instance;
}

NetworkCtlClient* NetworkCtlClient::initDetachedInstance(QObject* parent)
{
    if (!instance)
        instance = new NetworkCtlClient(parent);
    return instance;
}

void NetworkCtlClient::dropInstance()
{
    delete instance;
}

NetworkCtlClient* NetworkCtlClient::inst()
{
    return instance;
}

NetworkCtlClient::NetworkCtlClient(QObject* parent)
    : QObject(parent)
{
}

// A parent may delete the instance as well as dropInstance().
NetworkCtlClient::~NetworkCtlClient()
{
    if (instance == this)
        instance = nullptr;
}

void NetworkCtlClient::getWifiStatus(QString& name, WirelessSecurity& security) const
{
    name = m_record.wifiName;
    security = m_record.wifiSecurity;
}

void NetworkCtlClient::getWiFiAdapterStatus(bool& adapter, bool& power) const
{
    adapter = m_record.wifiAdapter;
    power = m_record.wifiPower;
}

void NetworkCtlClient::activateWiFiAdapter()
{
    OzmCommunicator(LinkProtocol::Request::ActivateWifiAdapter).request();
}

bool NetworkCtlClient::isInternetConnectionExisted()
{
    QString output;
    const bool answered = NetTools::ping(QLatin1String(OperatorWebHost), output, 1, PingReplyWaitSeconds);
    qDebug().noquote() << "NetworkCtlClient: isInternetConnectionExisted:" << output;
    return answered;
}

// A lost link leaves the initial record: no Internet connection.
void NetworkCtlClient::onLocalConnectionIsChanged()
{
    Ozm* const link = Ozm::inst();
    if (link && link->serviceIsRunning())
        takeReport(link->getLastAnswer(LinkProtocol::Event::LocalConnectionIsChanged));
    else
        setRecord(Record());
}

// A report the client cannot read, and the empty one of a link that went
// away, leave the initial record as well.
void NetworkCtlClient::takeReport(const QStringList& values)
{
    qDebug().nospace().noquote() << "params size: " << values.size();
    for (int i = 0; i < values.size(); ++i)
        qDebug().nospace().noquote() << "param " << i << ": " << values.at(i);
    Record record;
    if (const std::optional<Record> read = recordFrom(values))
        record = *read;
    else
        qWarning("NetworkCtlClient: unreadable network report, taken as no Internet connection");
    setRecord(record);
}

void NetworkCtlClient::setRecord(const Record& record)
{
    const bool sameNetwork = isSameNetwork(m_record, record);
    m_sameNetwork = sameNetwork;
    m_record = record;
    emit localConnectionIsChanged();
    if (sameNetwork)
        emit currentNetworkChanged();
}

// Every number must read as one: a report with a garbled field is not taken as
// "connected, unsecured", which would start an automatic activation.
std::optional<NetworkCtlClient::Record> NetworkCtlClient::recordFrom(const QStringList& values)
{
    if (values.size() != ReportSize)
        return std::nullopt;
    int numbers[ReportSize] = {};
    for (int i = 0; i < ReportSize; ++i) {
        bool isNumber = true;
        if (i != TypeAt && i != WifiNameAt)
            numbers[i] = values.at(i).toInt(&isNumber);
        if (!isNumber)
            return std::nullopt;
    }
    Record record;
    record.physicalState = ConnectionPhysicalState(numbers[0]);
    record.secured = numbers[1] != 0;
    record.enabled = numbers[2] != 0;
    record.connectionType = values.at(TypeAt);
    record.wifiName = values.at(WifiNameAt);
    record.wifiSecurity = WirelessSecurity(numbers[5]);
    record.wifiAdapter = numbers[6] != 0;
    record.wifiPower = numbers[7] != 0;
    return record;
}

// On a wired or dial-up link, or none, the type alone tells the network; a
// Wi-Fi network is told by its name and security as well.
bool NetworkCtlClient::isSameNetwork(const Record& old, const Record& now)
{
    if (old.physicalState != now.physicalState || old.connectionType != now.connectionType)
        return false;
    if (old.connectionType == CONNECTION_WIRED || old.connectionType == CONNECTION_PPP
        || old.connectionType == CONNECTION_NO_CONNECTION)
        return true;
    if (old.connectionType == CONNECTION_UNKNOWN_CONNECTION_TYPE)
        return old.secured == now.secured;
    return old.wifiSecurity == now.wifiSecurity && old.wifiName == now.wifiName;
}
