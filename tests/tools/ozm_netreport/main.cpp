// Prints the eight values of the network report for this machine, in the order
// the backend sends them. The backend's own log lines go to standard error.
#include "ConnectionChecker.h"
#include "HostResolver.h"
#include "NetworkCtl.h"
#include "OperatorWebHost.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTextStream>

namespace {

QString flag(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The operator's web host is looked up in the background, as in the backend; the
    // report waits for the first answer, which a time limit makes sure of.
    HostResolver* operatorHost = HostResolver::forHost(QString::fromLatin1(OperatorWebHost));
    if (!operatorHost->isAnswered()) {
        QEventLoop answered;
        QObject::connect(operatorHost, &HostResolver::answered, &answered, &QEventLoop::quit);
        answered.exec();
    }

    QString ssid;
    WirelessSecurity security = SecurityUnknown;
    NetworkCtl::getWifiStatus(ssid, security);
    bool powerOn = false;
    const bool adapter = NetworkCtl::checkWiFiAdapter(powerOn);

    const QList<QPair<QString, QString>> report{
        {"physical state", QString::number(ConnectionChecker::currentPhysicalState())},
        {"secured", flag(NetworkCtl::isConnectionSecured())},
        {"enabled", flag(NetworkCtl::isConnectionEnabled())},
        {"connection type", NetworkCtl::typeOfNetworkConnectionReadable()},
        {"wifi name", ssid},
        {"wifi security", QString::number(security)},
        {"wifi adapter", flag(adapter)},
        {"wifi power", flag(powerOn)},
    };

    QTextStream out(stdout);
    for (int i = 0; i < report.size(); ++i)
        out << i + 1 << ' ' << report[i].first.leftJustified(16) << report[i].second << '\n';
    return 0;
}
