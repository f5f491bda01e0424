#pragma once

#include <QBitmap>
#include <QPixmap>
#include <QRect>

// One-bit masks for frameless windows with rounded corners.

// The rectangle's size with corners of the radius set and the rest clear; a
// radius of zero or less leaves nothing to round and sets the whole rectangle.
QBitmap roundedRect(const QRect& rect, int radius);
// The hand-made pattern for radius 5; any other radius is drawn by roundedRect
// with two pixels less, so that radius 7 matches the drawn look of radius 5.
QPixmap roundedCornersMask(const QRect& rect, int radius);
