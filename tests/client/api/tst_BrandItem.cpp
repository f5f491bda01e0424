#include "ApiTestKit.h"
#include "BrandTestKit.h"

#include <BrandItem.h>

#include <QBuffer>
#include <QDomDocument>
#include <QtTest>

class tst_BrandItem : public QObject
{
    Q_OBJECT

private slots:
    void isBase64Str_data();
    void isBase64Str();
    void setAndRevert();
    void wrongTypeRefused();
    void serverValue_data();
    void serverValue();
    void base64ToImg_data();
    void base64ToImg();
};

namespace {

QDomElement valueElement(QDomDocument& document, const QString& xml)
{
    document.setContent(xml);
    return document.documentElement();
}

} // namespace

void tst_BrandItem::isBase64Str_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("three letters") << "abc" << false;
    QTest::newRow("four, = third") << "ab=c" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blank") << "ab c" << false;
    QTest::newRow("line break") << "ab\nc" << false;
    QTest::newRow("eight") << "QUJDRA==" << true;
    QTest::newRow("five") << "QUJDR" << false;
    QTest::newRow("url alphabet") << "ab-_" << false;
}

void tst_BrandItem::isBase64Str()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(BrandItem::isBase64Str(text), expected);
}

void tst_BrandItem::setAndRevert()
{
    QList<BrandItem*> items;
    BrandItem name(items, QStringLiteral("brand_name"), QStringLiteral("Default"));
    BrandItem logo(items, QStringLiteral("logo"), QImage());
    QCOMPARE(items, (QList<BrandItem*>{&name, &logo}));
    QCOMPARE(name.getThisPointer(), &name);

    QVERIFY(name.setStrData(QStringLiteral("Partner"), false));
    QCOMPARE(name.getStrData(), QStringLiteral("Partner"));
    name.revertDefValue();
    QCOMPARE(name.getStrData(), QStringLiteral("Default"));
    QVERIFY(name.setStrData(QStringLiteral("New default"), true));
    QVERIFY(name.setStrData(QStringLiteral("Later"), false));
    name.revertDefValue();
    QCOMPARE(name.getStrData(), QStringLiteral("New default"));

    QImage red(4, 4, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QVERIFY(logo.setImgData(red, true));
    QVERIFY(logo.setImgData(QImage(), false));
    QVERIFY(logo.getImgData().isNull());
    logo.revertDefValue();
    QCOMPARE(logo.getImgData(), red);
}

void tst_BrandItem::wrongTypeRefused()
{
    QList<BrandItem*> items;
    BrandItem name(items, QStringLiteral("brand_name"), QStringLiteral("Default"));
    BrandItem logo(items, QStringLiteral("logo"), QImage(2, 2, QImage::Format_ARGB32));
    const MessageCapture log;
    QVERIFY(!logo.setStrData(QStringLiteral("text"), false));
    QCOMPARE(logo.getImgData().size(), QSize(2, 2));
    QVERIFY(!name.setImgData(QImage(2, 2, QImage::Format_ARGB32), false));
    QCOMPARE(name.getStrData(), QStringLiteral("Default"));
    QVERIFY(logo.getStrData().isEmpty());
    QVERIFY(name.getImgData().isNull());
    QVERIFY(!name.isCorrectValue(QVariant(), false));
    const QStringList critical = log.messages(QtCriticalMsg);
    QVERIFY2(critical.contains(
                 QStringLiteral("ERROR BrandItem::Fatal error = Brand Item \"logo\" has invalid type=QImage")),
             qPrintable(critical.join('\n')));
    QVERIFY(critical.contains(
        QStringLiteral("ERROR BrandItem::Fatal error = Brand Item \"brand_name\" has invalid type=QString")));
    QVERIFY(critical.contains(QStringLiteral("ERROR BrandItem::Fatal error = Brand Item \"brand_name\" is invalid!")));
}

void tst_BrandItem::serverValue_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("xml");
    QTest::addColumn<bool>("taken");

    QTest::newRow("text") << "brand_name" << "<value><brand_name>Partner</brand_name></value>" << true;
    QTest::newRow("missing") << "brand_name" << "<value><other>x</other></value>" << false;
    QTest::newRow("empty") << "brand_name" << "<value><brand_name/></value>" << false;
    QTest::newRow("first of two") << "brand_name" << "<value><brand_name>A</brand_name><brand_name>B</brand_name></value>"
                                  << true;
    QTest::newRow("https url") << "buy_url" << "<value><buy_url>https://shop.example/buy?x=1</buy_url></value>" << true;
    QTest::newRow("http url") << "help_url" << "<value><help_url>http://docs.example/help/</help_url></value>" << true;
    QTest::newRow("script url") << "buy_url" << "<value><buy_url>javascript:alert(1)</buy_url></value>" << false;
    QTest::newRow("file url") << "faq_url" << "<value><faq_url>file:///etc/passwd</faq_url></value>" << false;
    QTest::newRow("relative url") << "faq_url" << "<value><faq_url>/docs/faq/</faq_url></value>" << false;
    QTest::newRow("url without host") << "faq_url" << "<value><faq_url>https:///faq/</faq_url></value>" << false;
    QTest::newRow("email") << "support_email" << "<value><support_email>help+x@partner.example</support_email></value>"
                           << true;
    QTest::newRow("email with blank") << "support_email" << "<value><support_email>a b@x.example</support_email></value>"
                                      << false;
    QTest::newRow("email with markup") << "support_email"
                                       << "<value><support_email>&lt;b&gt;@x.example</support_email></value>" << false;
    QTest::newRow("email with quote") << "feedback_email"
                                      << "<value><feedback_email>a\"onclick=x@y</feedback_email></value>" << false;
    QTest::newRow("email with control") << "feedback_email"
                                        << "<value><feedback_email>a&#9;b@y</feedback_email></value>" << false;
    QTest::newRow("image item") << "logo" << "<value><logo>https://cdn.example/logo.png</logo></value>" << false;
}

void tst_BrandItem::serverValue()
{
    QFETCH(QString, item);
    QFETCH(QString, xml);
    QFETCH(bool, taken);
    QList<BrandItem*> items;
    const bool isImage = item == QLatin1String("logo");
    std::unique_ptr<BrandItem> brandItem = isImage
        ? std::make_unique<BrandItem>(items, item, QImage(1, 1, QImage::Format_ARGB32))
        : std::make_unique<BrandItem>(items, item, QStringLiteral("kept"));
    QDomDocument document;
    QDomElement value = valueElement(document, xml);
    const QString sent = brandItem->getValueOfXmlTag(value);
    const MessageCapture log;
    QCOMPARE(brandItem->setServerResponceValue(value), taken);
    QCOMPARE(brandItem->isCorrectServerResponceValue(value), taken);
    if (isImage) {
        QCOMPARE(brandItem->getImgData().size(), QSize(1, 1));
        QVERIFY(!log.messages(QtCriticalMsg).filter(QStringLiteral("ERROR Unknown type in the BrandItem. Line = ")).isEmpty());
        return;
    }
    QCOMPARE(brandItem->getStrData(), taken ? sent : QStringLiteral("kept"));
    QCOMPARE(log.messages(QtWarningMsg).contains(QStringLiteral("Empty data in the BrandItem for ") + item), !taken);
}

void tst_BrandItem::base64ToImg_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("size");

    QImage gif(8, 8, QImage::Format_ARGB32);
    gif.fill(Qt::blue);
    QBuffer gifBytes;
    gifBytes.open(QIODevice::WriteOnly);
    gif.save(&gifBytes, "GIF");
    QImage jpeg(8, 8, QImage::Format_RGB32);
    jpeg.fill(Qt::blue);
    QBuffer jpegBytes;
    jpegBytes.open(QIODevice::WriteOnly);
    QVERIFY(jpeg.save(&jpegBytes, "JPEG"));

    QTest::newRow("png") << QString::fromLatin1(pngBytes(QSize(5, 3)).toBase64()) << QSize(5, 3);
    QTest::newRow("jpeg") << QString::fromLatin1(jpegBytes.data().toBase64()) << QSize(8, 8);
    QTest::newRow("largest side") << QString::fromLatin1(pngBytes(QSize(2048, 1)).toBase64()) << QSize(2048, 1);
    QTest::newRow("too wide") << QString::fromLatin1(pngBytes(QSize(2049, 1)).toBase64()) << QSize();
    QTest::newRow("bomb") << QString::fromLatin1(pngDeclaring(16000, 16000).toBase64()) << QSize();
    QTest::newRow("other format") << QString::fromLatin1(gifBytes.data().toBase64()) << QSize();
    QTest::newRow("not base64") << QStringLiteral("iVBO RW0K") << QSize();
    QTest::newRow("not an image") << QStringLiteral("QUJDRA==") << QSize();
}

void tst_BrandItem::base64ToImg()
{
    QFETCH(QString, text);
    QFETCH(QSize, size);
    const QImage image = BrandItem::base64ToImg(text);
    QCOMPARE(image.isNull(), size.isEmpty());
    if (!image.isNull())
        QCOMPARE(image.size(), size);
}

// Images need no window system.
QTEST_GUILESS_MAIN(tst_BrandItem)
#include "tst_BrandItem.moc"
