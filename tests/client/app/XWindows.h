#pragma once

#include <QImage>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The client's windows on the test's own X server, met as a person meets them:
// found by their title, pictured, answered by keyboard and mouse, and closed the
// way a window manager closes them. Window ids are xdotool's decimal ones.
namespace XWindows {

// The client's environment with the test's X server for its display.
QProcessEnvironment onDisplay(QProcessEnvironment env);

// Runs xdotool against the test's X server; its output, trimmed.
QString xdotool(const QStringList& arguments, bool* ok = nullptr);

// A visible window whose whole title is the text, other than `other`; empty
// when none came in time.
QString waitFor(const QString& title, const QString& other = {});

// Whether the picture has a patch of the colour.
bool shows(const QImage& picture, bool (*colour)(QRgb));
// The window once the colour shows in it (until it is drawn a grab shows
// whatever lies beneath), saved in the build tree's screenshots as name.png.
QImage grab(const QString& window, const QString& name, bool (*colour)(QRgb));

// Return pressed with the window focused: a message box's default button.
bool confirm(const QString& window);
// A left click at the point of the window.
bool click(const QString& window, int x, int y);
// The request a window manager sends for its close button (WM_DELETE_WINDOW);
// this server runs no window manager to send it.
bool requestClose(const QString& window);

} // namespace XWindows
