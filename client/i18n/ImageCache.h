#pragma once

#include <ActivationState.h>

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// Scaled pixmaps and the tray icon of each activation state, each made once
// for the life of the process. The references stay valid while later entries
// are added; callers copy what they keep. GUI thread only.
class ImageCache
{
public:
    ImageCache() = delete;

    // The image at path scaled to exactly size, smoothly and without keeping its
    // aspect; a null pixmap when the image cannot be read.
    static const QPixmap& loadPixmap(const QString& path, const QSize& size);
    // The state's image at the tray's size and at twice that size.
    static const QIcon& loadTrayIcon(ActivationState state);
};
