#pragma once

#include <QByteArray>
#include <QColor>
#include <QSize>

// A real PNG of that size, filled with color.
QByteArray pngBytes(const QSize& size, const QColor& color = Qt::darkCyan);
// A PNG that declares width x height and holds no pixels: what a decoder that
// trusts the header would allocate for is all it takes.
QByteArray pngDeclaring(quint32 width, quint32 height);
