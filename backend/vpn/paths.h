#pragma once

#include <QDir>
#include <QString>

// The backend's two folders and the files derived from them. In service mode the
// folders arrive in the handshake; before that every path is empty.
namespace paths {

extern QDir APP_DIR;
extern QDir DATA_DIR;

extern QString OPENVPN_FILE;
extern QString OPENVPN_CERT_FILE;
extern QString OPENVPN_UPSCRIPT_FILE;
extern QString OPENVPN_DOWNSCRIPT_FILE;

// The data folder's files by name, as DataFile reaches them; the paths below are
// for the log.
inline constexpr char OpenvpnPidName[] = "openvpn.pid";
inline constexpr char OpenvpnLastPidName[] = "openvpn.last_pid";
inline constexpr char OpenvpnLogName[] = "openvpn.log";

extern QString OPENVPN_PID_FILE;
extern QString OPENVPN_LAST_PID_FILE;
extern QString OPENVPN_LOG_FILE;

void set_app_directory(const QDir& dir);
void set_app_data_directory(const QDir& dir);

} // namespace paths
