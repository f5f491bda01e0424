#pragma once

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QRgb>
#include <QString>
#include <QStringList>

// The test's X display (DISPLAY, its own Xvfb) as a person at it would use it:
// a tray host in the top right corner (Debian's trayer, for icons over
// XEmbed), the keyboard and mouse through xdotool, screenshots with
// ImageMagick's import into <build>/screenshots. Windows are found by their
// titles. The tray host ends with the object.
class BedDesktop
{
public:
    BedDesktop();
    ~BedDesktop();
    BedDesktop(const BedDesktop&) = delete;
    BedDesktop& operator=(const BedDesktop&) = delete;

    bool isRunning() const;
    // Whether an icon sits in the tray within the time.
    bool trayIconShown(int timeoutMs);
    // Clicks the tray's icon and waits for the menu it opens; false when none opens.
    bool openTrayMenu();
    // Whether a window of that title is on the screen within the time.
    bool windowShown(const QString& title, int timeoutMs);
    // Gives the window the keyboard and types text, then the keys ("Return", ...).
    bool typeInto(const QString& title, const QString& text, const QStringList& keys = {});
    // Gives the window the keyboard and clicks at that point of it.
    bool clickInto(const QString& title, const QPoint& point);
    // Presses keys wherever the keyboard is (an open menu holds it).
    bool press(const QStringList& keys);
    // The window (the whole screen for an empty title) as the screen shows it,
    // also saved as <name>.png; null when there is no such window.
    QImage shot(const QString& title, const QString& name);
    // How many of the picture's pixels have exactly that colour.
    static int pixelsOf(const QImage& picture, QRgb colour);
    // How many lines of text in exactly that colour the picture shows: runs of
    // pixel rows holding the colour, the gaps between them wider than a line's.
    static int textLinesOf(const QImage& picture, QRgb colour);

private:
    // Runs xdotool with the arguments; false when it failed (a search that
    // found nothing too).
    static bool xdotool(const QStringList& arguments, QString* output = nullptr);
    static QString windowOf(const QString& title);
    static QStringList visibleWindows();
    static QRect trayGeometry();

    QProcess m_tray;
};
