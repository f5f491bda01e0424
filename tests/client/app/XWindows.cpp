#include "XWindows.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace XWindows {

namespace {
constexpr int WaitMs = 120000;

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}
} // namespace

QProcessEnvironment onDisplay(QProcessEnvironment env)
{
    env.insert("DISPLAY", qEnvironmentVariable("DISPLAY"));
    env.insert("QT_QPA_PLATFORM", "xcb");
    return env;
}

QString xdotool(const QStringList& arguments, bool* ok)
{
    QProcess tool;
    tool.start("/usr/bin/xdotool", arguments);
    const bool done = tool.waitForFinished(WaitMs) && tool.exitStatus() == QProcess::NormalExit
                      && tool.exitCode() == 0;
    if (ok)
        *ok = done;
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

QString waitFor(const QString& title, const QString& other)
{
    const QString pattern = '^' + QRegularExpression::escape(title) + '$';
    QString window;
    // An empty answer says it did not come.
    (void)QTest::qWaitFor(
        [&] {
            const QStringList found = xdotool({"search", "--onlyvisible", "--name", pattern}).split('\n');
            for (const QString& id : found)
                if (!id.isEmpty() && id != other)
                    window = id;
            return !window.isEmpty();
        },
        WaitMs);
    return window;
}

bool shows(const QImage& picture, bool (*colour)(QRgb))
{
    int count = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            count += colour(picture.pixel(x, y)) ? 1 : 0;
    return count >= 20;
}

QImage grab(const QString& window, const QString& name, bool (*colour)(QRgb))
{
    QScreen* const screen = QGuiApplication::primaryScreen();
    QImage picture;
    (void)QTest::qWaitFor(
        [&] {
            picture = screen ? screen->grabWindow(window.toULongLong()).toImage() : QImage();
            return shows(picture, colour);
        },
        WaitMs);
    QDir().mkpath(QStringLiteral(OZM_SCREENSHOT_DIR));
    picture.save(QStringLiteral(OZM_SCREENSHOT_DIR "/") + name + ".png");
    return picture;
}

bool confirm(const QString& window)
{
    bool ok = false;
    xdotool({"windowfocus", "--sync", window, "key", "Return"}, &ok);
    return ok;
}

bool click(const QString& window, int x, int y)
{
    bool ok = false;
    xdotool({"mousemove", "--sync", "--window", window, QString::number(x), QString::number(y), "click", "1"}, &ok);
    return ok;
}

bool requestClose(const QString& window)
{
    xcb_connection_t* const connection = xcb_connect(nullptr, nullptr);
    bool sent = false;
    if (!xcb_connection_has_error(connection)) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = xcb_window_t(window.toULong());
        event.type = atom(connection, "WM_PROTOCOLS");
        event.data.data32[0] = atom(connection, "WM_DELETE_WINDOW");
        event.data.data32[1] = XCB_CURRENT_TIME;
        const xcb_void_cookie_t cookie = xcb_send_event_checked(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                                                                reinterpret_cast<const char*>(&event));
        xcb_generic_error_t* const error = xcb_request_check(connection, cookie);
        sent = error == nullptr && event.type != XCB_ATOM_NONE;
        std::free(error);
    }
    xcb_disconnect(connection);
    return sent;
}

} // namespace XWindows
