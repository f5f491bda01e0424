#include "BedDesktop.h"

#include "Poll.h"

#include <QDir>
#include <QRegularExpression>

namespace {
constexpr int ToolTimeoutMs = 20000;
// Wider than an icon: an empty tray is a few pixels wide.
constexpr int IconWidth = 16;
} // namespace

BedDesktop::BedDesktop()
{
    m_tray.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_tray.setStandardOutputFile(QProcess::nullDevice());
    m_tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                                           QStringLiteral("right"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                                           QStringLiteral("--height"), QStringLiteral("32"), QStringLiteral("--transparent"),
                                           QStringLiteral("false")});
    m_tray.waitForStarted();
}

BedDesktop::~BedDesktop()
{
    m_tray.terminate();
    if (!m_tray.waitForFinished(5000))
        m_tray.kill();
    m_tray.waitForFinished();
}

bool BedDesktop::isRunning() const
{
    return m_tray.state() == QProcess::Running && Poll::until([] { return trayGeometry().isValid(); }, ToolTimeoutMs);
}

bool BedDesktop::trayIconShown(int timeoutMs)
{
    return Poll::until([] { return trayGeometry().width() >= IconWidth; }, timeoutMs);
}

bool BedDesktop::openTrayMenu()
{
    const QStringList before = visibleWindows();
    const QPoint icon = trayGeometry().center();
    if (!xdotool({QStringLiteral("mousemove"), QString::number(icon.x()), QString::number(icon.y()),
                  QStringLiteral("click"), QStringLiteral("1")}))
        return false;
    return Poll::until(
        [&] {
            for (const QString& window : visibleWindows())
                if (!before.contains(window))
                    return true;
            return false;
        },
        ToolTimeoutMs);
}

bool BedDesktop::windowShown(const QString& title, int timeoutMs)
{
    return Poll::until([&] { return !windowOf(title).isEmpty(); }, timeoutMs);
}

bool BedDesktop::typeInto(const QString& title, const QString& text, const QStringList& keys)
{
    const QString window = windowOf(title);
    if (window.isEmpty())
        return false;
    // No window manager gives the focus: the window takes it itself.
    if (!xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}))
        return false;
    if (!text.isEmpty()
        && !xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text}))
        return false;
    return keys.isEmpty() || press(keys);
}

bool BedDesktop::clickInto(const QString& title, const QPoint& point)
{
    const QString window = windowOf(title);
    return !window.isEmpty() && xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window})
        && xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(point.x()),
                    QString::number(point.y()), QStringLiteral("click"), QStringLiteral("1")});
}

bool BedDesktop::press(const QStringList& keys)
{
    return xdotool(QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("100")} + keys);
}

QImage BedDesktop::shot(const QString& title, const QString& name)
{
    const QString window = title.isEmpty() ? QStringLiteral("root") : windowOf(title);
    if (window.isEmpty())
        return QImage();
    QDir().mkpath(QStringLiteral(OZM_SCREENSHOT_DIR));
    const QString path = QStringLiteral(OZM_SCREENSHOT_DIR "/") + name + QStringLiteral(".png");
    QProcess import;
    import.setProcessChannelMode(QProcess::ForwardedChannels);
    import.start(QStringLiteral("import"), {QStringLiteral("-window"), window, path});
    if (!import.waitForFinished(ToolTimeoutMs) || import.exitCode() != 0)
        return QImage();
    return QImage(path);
}

int BedDesktop::pixelsOf(const QImage& picture, QRgb colour)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            count += (line[x] & RGB_MASK) == (colour & RGB_MASK);
    }
    return count;
}

int BedDesktop::textLinesOf(const QImage& picture, QRgb colour)
{
    // Less than the space between two rows of a dialog, more than the gap
    // inside one line of text.
    constexpr int LineGap = 4;
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    int lines = 0;
    int lastRow = -LineGap - 1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        bool holds = false;
        for (int x = 0; x < image.width() && !holds; ++x)
            holds = (line[x] & RGB_MASK) == (colour & RGB_MASK);
        if (!holds)
            continue;
        if (y - lastRow > LineGap)
            ++lines;
        lastRow = y;
    }
    return lines;
}

bool BedDesktop::xdotool(const QStringList& arguments, QString* output)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(ToolTimeoutMs) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return false;
    if (output)
        *output = QString::fromLocal8Bit(tool.readAllStandardOutput());
    return true;
}

QString BedDesktop::windowOf(const QString& title)
{
    QString found;
    xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')},
            &found);
    return found.split(QLatin1Char('\n')).value(0).trimmed();
}

QStringList BedDesktop::visibleWindows()
{
    QString found;
    xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), QStringLiteral(".*")},
            &found);
    return found.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// trayer's own window, named "panel".
QRect BedDesktop::trayGeometry()
{
    const QString panel = windowOf(QStringLiteral("panel"));
    if (panel.isEmpty())
        return QRect();
    QString text;
    xdotool({QStringLiteral("getwindowgeometry"), panel}, &text);
    const QRegularExpressionMatch position = QRegularExpression(QStringLiteral("Position: (-?\\d+),(-?\\d+)")).match(text);
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Geometry: (\\d+)x(\\d+)")).match(text);
    if (!position.hasMatch() || !size.hasMatch())
        return QRect();
    return QRect(position.captured(1).toInt(), position.captured(2).toInt(), size.captured(1).toInt(),
                 size.captured(2).toInt());
}
