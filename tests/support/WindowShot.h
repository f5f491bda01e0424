#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

// A window as a person would see it: its area grabbed from the X server after
// the window has been exposed and painted. Under the offscreen platform there
// is no server to grab from and the picture is null, so window tests run
// under their own Xvfb.
class WindowShot
{
public:
    explicit WindowShot(QWidget* window);

    const QImage& image() const { return m_image; }
    // Empty when the picture is fine, else what is wrong with it: null, of one
    // colour, or a named widget not shown inside the window with content of its own.
    QString check(const QStringList& objectNames = {}) const;
    // The widget's rectangle in the picture's coordinates; null when there is no such visible widget.
    QRect rectOf(const QString& objectName) const;
    QColor colourAt(const QPoint& pictureCoordinates) const;
    bool saveTo(const QString& path) const;
    // Writes <build>/screenshots/<test>-<function>[-<data tag>].png; returns the path, empty on failure.
    QString save() const;

private:
    QString checkWidget(const QString& objectName) const;
    bool manyColours(const QRect& area) const;

    QPointer<QWidget> m_window;
    QRect m_area;
    QImage m_image;
};
