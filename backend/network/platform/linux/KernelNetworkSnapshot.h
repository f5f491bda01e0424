#pragma once

#include "KernelRoutes.h"

#include <QList>
#include <QMap>
#include <QString>

#include <optional>

// The kernel's network interfaces and default routes as last read. The kernel
// announces every change of links, addresses and routes; whatever it announced
// since the last reading makes the next question read afresh, so an answer is
// never older than the question, yet asking costs nothing while nothing changes.
// Questions asked while a hold lasts are one question: the announcements are
// looked at once, by the first of them.
class KernelNetworkSnapshot
{
public:
    struct Link
    {
        unsigned index = 0;
        unsigned flags = 0;              // IFF_*
        unsigned short hardwareType = 0; // ARPHRD_*
        bool hasIPv4Address = false;
        bool wireless = false; // sysfs shows it as a Wi-Fi interface
    };

    explicit KernelNetworkSnapshot(const QString& sysfsRoot);
    ~KernelNetworkSnapshot();
    KernelNetworkSnapshot(const KernelNetworkSnapshot&) = delete;
    KernelNetworkSnapshot& operator=(const KernelNetworkSnapshot&) = delete;

    // Every interface of this network namespace by name; false when the kernel
    // could not be asked.
    bool links(QMap<QString, Link>& links);
    // As KernelRoutes::defaultRoutes().
    bool defaultRoutes(QList<KernelRoutes::Route>& routes, QString* problem = nullptr);
    // Holds nest; the last release ends the question.
    void hold();
    void release();

private:
    void forgetIfChanged();
    void forgetAnnounced();
    // Read what is not kept; false when the kernel could not be asked.
    bool haveLinks();
    bool haveRoutes(QString* problem);
    bool readLinks(QMap<QString, Link>& links) const;

    const QString m_sysfsRoot;
    int m_announcements = -1;
    int m_holds = 0;
    bool m_lookedInHold = false;
    std::optional<QMap<QString, Link>> m_links;
    std::optional<QList<KernelRoutes::Route>> m_routes;
};
