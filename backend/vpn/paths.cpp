#include "paths.h"

namespace paths {

QDir APP_DIR{QString()};
QDir DATA_DIR{QString()};

QString OPENVPN_FILE;
QString OPENVPN_CERT_FILE;
QString OPENVPN_UPSCRIPT_FILE;
QString OPENVPN_DOWNSCRIPT_FILE;

QString OPENVPN_PID_FILE;
QString OPENVPN_LAST_PID_FILE;
QString OPENVPN_LOG_FILE;

namespace {
QString fileIn(const QDir& dir, const char* name)
{
    return dir.path() + QLatin1Char('/') + QLatin1String(name);
}
} // namespace

void set_app_directory(const QDir& dir)
{
    APP_DIR = dir;
    OPENVPN_FILE = fileIn(dir, "openvpn");
    OPENVPN_CERT_FILE = fileIn(dir, "cachain.pem");
    OPENVPN_UPSCRIPT_FILE = fileIn(dir, "vpn-up-mac");
    OPENVPN_DOWNSCRIPT_FILE = fileIn(dir, "vpn-down-mac.sh");
}

void set_app_data_directory(const QDir& dir)
{
    DATA_DIR = dir;
    OPENVPN_PID_FILE = fileIn(dir, OpenvpnPidName);
    OPENVPN_LAST_PID_FILE = fileIn(dir, OpenvpnLastPidName);
    OPENVPN_LOG_FILE = fileIn(dir, OpenvpnLogName);
}

} // namespace paths
