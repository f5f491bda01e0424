#include "LinkProtocol.h"

namespace LinkProtocol {

const QStringList& requestNames()
{
    static const QStringList names = {
        Request::ActivateWifiAdapter, Request::VpnActivate,      Request::VpnActivateOnInternetExisted,
        Request::VpnReactivate,       Request::ResetReconnectionLogic, Request::GetNextReconnectionServer,
        Request::OnVpnAuthFailedAnswer, Request::SetServersList, Request::InitialActivationState,
        Request::SetCurrentCluster,   Request::VpnDeactivate,    Request::UpdateVpnStatistics,
    };
    return names;
}

const QStringList& eventNames()
{
    static const QStringList names = {
        Event::LocalConnectionIsChanged, Event::ActivationStateChanged,   Event::RequestVpnActivation,
        Event::RequestVpnActivationOnInternetRestore, Event::VpnActivationFailed, Event::VpnForcedActivationFailed,
        Event::VpnConnectionEpicFail,    Event::AuthenticationFailed,     Event::ConnectiontoVpnProcessFailed,
        Event::VpnAuthFailed,            Event::ActivatingServerChanged,  Event::VpnStatisticsUpdated,
        Event::RestoreSavedClusterAndServer,
    };
    return names;
}

bool isEventName(const QString& line)
{
    return eventNames().contains(line);
}

QString joinList(const QStringList& records)
{
    return records.join(QLatin1String(ListSeparator));
}

QStringList splitList(const QString& text)
{
    return text.split(QLatin1String(ListSeparator), Qt::SkipEmptyParts);
}

QString errorReport(const QString& host, const QByteArray& log)
{
    return host + QLatin1String(ErrorReportMarker) + QString::fromLatin1(log.right(int(MaxReportedLogBytes)).toBase64());
}

} // namespace LinkProtocol
