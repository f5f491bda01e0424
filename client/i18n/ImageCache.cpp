#include "ImageCache.h"

#include <SystemFunctions.h>

#include <QHash>

// Qt 5 has no hash of its own for sizes.
static uint qHash(const QSize& size, uint seed = 0)
{
    return ::qHash(qMakePair(size.width(), size.height()), seed);
}

namespace {

// Qt 5's hashes keep each value in a node of its own, so references to them
// outlive later inserts.
QHash<QString, QHash<QSize, QPixmap>> pixmaps;
QHash<int, QIcon> trayIcons;

QString trayImage(ActivationState state)
{
    switch (state) {
    case StateSecure:
        return QStringLiteral(":/Images/traySecure.png");
    case Deactivated:
        return QStringLiteral(":/Images/trayDeactivated.png");
    case Activating:
    case Deactivating:
        return QStringLiteral(":/Images/trayTransition.png");
    case Activated:
        return QStringLiteral(":/Images/trayActivated.png");
    case Disconnected:
        break;
    }
    return QStringLiteral(":/Images/trayDisconnected.png");
}

} // namespace

const QPixmap& ImageCache::loadPixmap(const QString& path, const QSize& size)
{
    QHash<QSize, QPixmap>& sizes = pixmaps[path];
    auto found = sizes.find(size);
    if (found == sizes.end())
        found = sizes.insert(size, QPixmap(path).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return *found;
}

const QIcon& ImageCache::loadTrayIcon(ActivationState state)
{
    // The images live in this static library: its resources are registered
    // only when asked for.
    static const bool resources = [] {
        Q_INIT_RESOURCE(tray);
        return true;
    }();
    Q_UNUSED(resources)

    auto found = trayIcons.find(state);
    if (found != trayIcons.end())
        return *found;
    const QString image = trayImage(state);
    const QSize size = bestTrayIconSize();
    QIcon icon;
    icon.addPixmap(loadPixmap(image, size));
    icon.addPixmap(loadPixmap(image, (QSizeF(size) * 2.0).toSize()));
    return *trayIcons.insert(state, icon);
}
