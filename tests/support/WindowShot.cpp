#include "WindowShot.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QSaveFile>
#include <QScreen>
#include <QSet>
#include <QTest>

WindowShot::WindowShot(QWidget* window)
    : m_window(window)
{
    if (!QTest::qWaitForWindowExposed(window))
        return;
    // repaint() paints and flushes to the server at once; the grab's request
    // follows on the same connection, so it sees the finished picture.
    window->repaint();
    m_area = window->frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(m_area.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect local = m_area.translated(-screen->geometry().topLeft());
    m_image = screen->grabWindow(0, local.x(), local.y(), local.width(), local.height()).toImage();
}

QString WindowShot::check(const QStringList& objectNames) const
{
    if (m_image.isNull() || m_image.size() != m_area.size())
        return QStringLiteral("no picture of the window (is an X server there?)");
    if (!manyColours(m_image.rect()))
        return QStringLiteral("the window is one colour");
    for (const QString& name : objectNames) {
        const QString problem = checkWidget(name);
        if (!problem.isEmpty())
            return problem;
    }
    return {};
}

QString WindowShot::checkWidget(const QString& objectName) const
{
    const QRect rect = rectOf(objectName);
    if (rect.isNull())
        return objectName + QStringLiteral(" is not a visible widget of the window");
    if (!m_image.rect().contains(rect))
        return QStringLiteral("%1 at (%2,%3 %4x%5) lies outside the window")
            .arg(objectName).arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
    if (!manyColours(rect))
        return objectName + QStringLiteral(" shows nothing but one colour");
    return {};
}

QRect WindowShot::rectOf(const QString& objectName) const
{
    if (!m_window)
        return {};
    QWidget* widget = m_window->objectName() == objectName
        ? m_window.data() : m_window->findChild<QWidget*>(objectName);
    if (!widget || !widget->isVisible())
        return {};
    return QRect(widget->mapToGlobal(QPoint(0, 0)) - m_area.topLeft(), widget->size());
}

QColor WindowShot::colourAt(const QPoint& pictureCoordinates) const
{
    return m_image.pixelColor(pictureCoordinates);
}

bool WindowShot::manyColours(const QRect& area) const
{
    const QRgb first = m_image.pixel(area.topLeft());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (m_image.pixel(x, y) != first)
                return true;
    return false;
}

// Whole or not at all, so that whoever waits for the file never reads half a picture.
bool WindowShot::saveTo(const QString& path) const
{
    if (m_image.isNull() || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && m_image.save(&file, "PNG") && file.flush() && file.commit();
}

QString WindowShot::save() const
{
    QString name = QCoreApplication::applicationName() + '-' + QTest::currentTestFunction();
    if (QTest::currentDataTag())
        name += '-' + QString::fromUtf8(QTest::currentDataTag());
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]+")), QStringLiteral("_"));
    const QString path = QStringLiteral(OZM_SCREENSHOT_DIR "/") + name + QStringLiteral(".png");
    return saveTo(path) ? path : QString();
}
