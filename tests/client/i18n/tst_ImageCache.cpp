#include "ImageCache.h"

#include <SystemFunctions.h>

#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

class tst_ImageCache : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void trayIconSizes();
    void trayImages_data();
    void trayImages();
    void transitionStatesShareTheirPixmaps();
    void pixmapIsScaledExactly_data();
    void pixmapIsScaledExactly();
    void pixmapIsScaledSmoothly();
    void referencesOutliveLaterInserts();

private:
    QString writeImage(const QString& name, const QImage& image);

    QTemporaryDir m_dir;
};

namespace {

QList<QSize> sorted(QList<QSize> sizes)
{
    std::sort(sizes.begin(), sizes.end(), [](const QSize& a, const QSize& b) { return a.width() < b.width(); });
    return sizes;
}

} // namespace

void tst_ImageCache::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString tst_ImageCache::writeImage(const QString& name, const QImage& image)
{
    const QString path = m_dir.filePath(name);
    return image.save(path, "PNG") ? path : QString();
}

// The test runs at a pixel ratio of 2, as on a high-density screen.
void tst_ImageCache::trayIconSizes()
{
    QCOMPARE(bestTrayIconSize(), QSize(36, 36));
    const QIcon& icon = ImageCache::loadTrayIcon(Activated);
    QCOMPARE(sorted(icon.availableSizes()), (QList<QSize>{QSize(36, 36), QSize(72, 72)}));
}

void tst_ImageCache::trayImages_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("image");

    QTest::newRow("disconnected") << int(Disconnected) << ":/Images/trayDisconnected.png";
    QTest::newRow("secure") << int(StateSecure) << ":/Images/traySecure.png";
    QTest::newRow("deactivated") << int(Deactivated) << ":/Images/trayDeactivated.png";
    QTest::newRow("activating") << int(Activating) << ":/Images/trayTransition.png";
    QTest::newRow("activated") << int(Activated) << ":/Images/trayActivated.png";
    QTest::newRow("deactivating") << int(Deactivating) << ":/Images/trayTransition.png";
    QTest::newRow("9") << 9 << ":/Images/trayDisconnected.png";
    QTest::newRow("-1") << -1 << ":/Images/trayDisconnected.png";
}

void tst_ImageCache::trayImages()
{
    QFETCH(int, state);
    QFETCH(QString, image);

    const QIcon& icon = ImageCache::loadTrayIcon(ActivationState(state));
    for (const QSize& size : {bestTrayIconSize(), bestTrayIconSize() * 2}) {
        const QPixmap& expected = ImageCache::loadPixmap(image, size);
        QVERIFY(!expected.isNull());
        QCOMPARE(icon.pixmap(size).cacheKey(), expected.cacheKey());
    }
}

void tst_ImageCache::transitionStatesShareTheirPixmaps()
{
    const QSize size = bestTrayIconSize();
    const qint64 activating = ImageCache::loadTrayIcon(Activating).pixmap(size).cacheKey();
    QCOMPARE(ImageCache::loadTrayIcon(Deactivating).pixmap(size).cacheKey(), activating);
    QCOMPARE(ImageCache::loadTrayIcon(Activating).pixmap(size).cacheKey(), activating);
}

void tst_ImageCache::pixmapIsScaledExactly_data()
{
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("size");

    QTest::newRow("wide to square") << QSize(100, 50) << QSize(20, 20);
    QTest::newRow("up") << QSize(10, 10) << QSize(40, 30);
    QTest::newRow("same") << QSize(16, 16) << QSize(16, 16);
}

void tst_ImageCache::pixmapIsScaledExactly()
{
    QFETCH(QSize, image);
    QFETCH(QSize, size);

    QImage source(image, QImage::Format_ARGB32);
    source.fill(Qt::blue);
    const QString path = writeImage(QStringLiteral("%1x%2.png").arg(image.width()).arg(image.height()), source);

    const QPixmap& pixmap = ImageCache::loadPixmap(path, size);
    QCOMPARE(pixmap.size(), size);
    QCOMPARE(pixmap.toImage().pixelColor(size.width() - 1, size.height() - 1), QColor(Qt::blue));
    QCOMPARE(ImageCache::loadPixmap(path, size).cacheKey(), pixmap.cacheKey());
    QVERIFY(ImageCache::loadPixmap(m_dir.filePath(QStringLiteral("missing.png")), size).isNull());
}

void tst_ImageCache::pixmapIsScaledSmoothly()
{
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(0, 0, 0));
    source.setPixel(1, 0, qRgb(255, 255, 255));
    const QString path = writeImage(QStringLiteral("black-white.png"), source);

    const QImage scaled = ImageCache::loadPixmap(path, QSize(8, 1)).toImage();
    const int middle = qRed(scaled.pixel(4, 0));
    QVERIFY2(middle > 0 && middle < 255, qPrintable(QString::number(middle)));
}

void tst_ImageCache::referencesOutliveLaterInserts()
{
    QImage source(8, 8, QImage::Format_ARGB32);
    source.fill(Qt::red);
    const QString path = writeImage(QStringLiteral("red.png"), source);
    const QPixmap& first = ImageCache::loadPixmap(path, QSize(4, 4));
    const qint64 key = first.cacheKey();
    const QIcon& icon = ImageCache::loadTrayIcon(Disconnected);

    for (int side = 5; side < 300; ++side)
        ImageCache::loadPixmap(path, QSize(side, side));
    for (int state = 0; state < 64; ++state)
        ImageCache::loadTrayIcon(ActivationState(state));

    QCOMPARE(first.cacheKey(), key);
    QCOMPARE(first.size(), QSize(4, 4));
    QCOMPARE(sorted(icon.availableSizes()).constFirst(), bestTrayIconSize());
}

int main(int argc, char** argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QGuiApplication app(argc, argv);
    tst_ImageCache test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_ImageCache.moc"
