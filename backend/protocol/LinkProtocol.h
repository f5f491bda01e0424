#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The vocabulary of the link between the desktop client and the backend service:
// where it listens, the handshake words, the message names and the joined forms
// that carry lists and error reports as single lines.
namespace LinkProtocol {

inline constexpr quint16 ServicePort = 10014;

inline constexpr char SetAppDirKeyword[] = "OZM_SET_APP_DIR";
inline constexpr char SetAppDataDirKeyword[] = "OZM_SET_APP_DATA_DIR";
inline constexpr int HandshakeNumber = 5314;
inline constexpr char HandshakeAccepted[] = "2702";
inline constexpr char HandshakeRejected[] = "2701";

inline constexpr char ListSeparator[] = "<<<>>>";
inline constexpr char ErrorReportMarker[] = ":opnevpn_log:";

namespace Request {
inline constexpr char ActivateWifiAdapter[] = "OZM_ACTIVATE_WIFI_ADAPTER";
inline constexpr char VpnActivate[] = "OZM_VPN_ACTIVATE";
inline constexpr char VpnActivateOnInternetExisted[] = "OZM_VPN_ACTIVATE_ON_INTERNET_EXISTED";
inline constexpr char VpnReactivate[] = "OZM_VPN_REACTIVATE";
inline constexpr char ResetReconnectionLogic[] = "OZM_RESET_RECONNECTION_LOGIC";
inline constexpr char GetNextReconnectionServer[] = "OZM_GET_NEXT_RECONNECTION_SERVER";
inline constexpr char OnVpnAuthFailedAnswer[] = "OZM_ON_VPN_AUTH_FAILED_ANSWER";
inline constexpr char SetServersList[] = "OZM_SET_SERVERS_LIST";
inline constexpr char InitialActivationState[] = "OZM_INITIAL_ACTIVATION_STATE";
inline constexpr char SetCurrentCluster[] = "OZM_SET_CURRENT_CLUSTER";
inline constexpr char VpnDeactivate[] = "OZM_VPN_DEACTIVATE";
inline constexpr char UpdateVpnStatistics[] = "OZM_UPDATE_VPN_STATISTICS";
} // namespace Request

namespace Event {
inline constexpr char LocalConnectionIsChanged[] = "OZM_LOCAL_CONNECTION_IS_CHANGED";
inline constexpr char ActivationStateChanged[] = "OZM_ACTIVATION_STATE_CHANGED";
inline constexpr char RequestVpnActivation[] = "OZM_REQUEST_VPN_ACTIVATION";
inline constexpr char RequestVpnActivationOnInternetRestore[] = "OZM_REQUEST_VPN_ACTIVATION_ON_INTERNET_RESTORE";
inline constexpr char VpnActivationFailed[] = "OZM_VPN_ACTIVATION_FAILED";
inline constexpr char VpnForcedActivationFailed[] = "OZM_VPN_FORCED_ACTIVATION_FAILED";
inline constexpr char VpnConnectionEpicFail[] = "OZM_VPN_CONNECTION_EPIC_FAIL";
inline constexpr char AuthenticationFailed[] = "OZM_AUTHENTICATION_FAILED";
inline constexpr char ConnectiontoVpnProcessFailed[] = "OZM_CONNECTIONTO_VPN_PROCESS_FAILED";
inline constexpr char VpnAuthFailed[] = "OZM_VPN_AUTH_FAILED";
inline constexpr char ActivatingServerChanged[] = "OZM_ACTIVATING_SERVER_CHANGED";
inline constexpr char VpnStatisticsUpdated[] = "OZM_VPN_STATISTICS_UPDATED";
inline constexpr char RestoreSavedClusterAndServer[] = "OZM_RESTORE_SAVED_CLUSTER_AND_SERVER";
} // namespace Event

const QStringList& requestNames();
const QStringList& eventNames();

// A peer tells replies from events by their first line, so this is the whole test.
bool isEventName(const QString& line);

QString joinList(const QStringList& records);
QStringList splitList(const QString& text);

// The failed server's host, the marker and the Base64 of the openvpn log, as one line.
// At most the log's last MaxReportedLogBytes travel.
inline constexpr qint64 MaxReportedLogBytes = 512 * 1024;
QString errorReport(const QString& host, const QByteArray& log);

} // namespace LinkProtocol
