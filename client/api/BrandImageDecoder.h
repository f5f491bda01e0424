#pragma once

#include <QByteArray>
#include <QImage>

// Turns brand image bytes (downloaded, cached or sent as Base64) into an image.
// The bytes come from outside the program: only PNG and JPEG are read, and the
// size is read from the header before any pixel, so a small file declaring a
// huge picture costs nothing.
class BrandImageDecoder
{
public:
    static constexpr int MaxSide = 2048;

    // A null image for anything else, an image wider or taller than MaxSide
    // included.
    static QImage decode(const QByteArray& data);
};
