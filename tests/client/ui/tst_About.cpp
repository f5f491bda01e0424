// The About window: its lines in English and after a change of language, its
// links, and the brand's logo.
#include "About.h"
#include "UiTestKit.h"

#include <BrandItem.h>
#include <OzmApplication.h>
#include <SharedTexts.h>
#include <coBranding.h>

#include <QLabel>
#include <QTest>
#include <QTranslator>

namespace {

// Just the About window's lines, in German.
class GermanAbout : public QTranslator
{
public:
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        if (qstrcmp(context, "About") != 0)
            return QString();
        const QString text = QString::fromUtf8(source);
        if (text == "Version %1")
            return QStringLiteral("Fassung %1");
        if (text == "Build %1")
            return QStringLiteral("Ausgabe %1");
        if (text == " - About")
            return QStringLiteral(" - Info");
        return QString();
    }
    bool isEmpty() const override { return false; }
};

} // namespace

class tst_About : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void linesFollowTheLanguage();
    void linksToTheOperatorSite();
    void brandLogo();
};

void tst_About::linesFollowTheLanguage()
{
    About about;
    const auto text = [&about](const char* name) { return about.findChild<QLabel*>(name)->text(); };
    QCOMPARE(text("lbVersion"), "Version 4.7.5");
    QCOMPARE(text("lbBuild"), "Build 5314");
    QCOMPARE(text("lbCopyright"), AboutCopyrigh());
    QCOMPARE(about.windowTitle(), OzmApplication::windowTitle_ + " - About");

    // The language switch installs the translator and then tells the windows.
    GermanAbout german;
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::installTranslator(&german);
    QCoreApplication::sendEvent(&about, &change);
    QCOMPARE(text("lbVersion"), "Fassung 4.7.5");
    QCOMPARE(text("lbBuild"), "Ausgabe 5314");
    QCOMPARE(about.windowTitle(), OzmApplication::windowTitle_ + " - Info");
    QCoreApplication::removeTranslator(&german);
    QCoreApplication::sendEvent(&about, &change);
    QCOMPARE(text("lbVersion"), "Version 4.7.5");
}

void tst_About::linksToTheOperatorSite()
{
    About about;
    const QLabel* const info = about.findChild<QLabel*>("lbInfo");
    QVERIFY(info->openExternalLinks());
    QVERIFY(info->text().contains("<a href=\"https://www.ozmira.com/privacy-policy/\">"));
    QVERIFY(info->text().contains("<a href=\"https://www.ozmira.com/eula/\">"));
    QVERIFY(info->text().contains("Privacy Policy"));
    QVERIFY(info->text().contains("License Agreement"));
}

void tst_About::brandLogo()
{
    About about;
    QLabel* const logo = about.findChild<QLabel*>("lbLogoImage");
    const QImage builtIn = logo->pixmap(Qt::ReturnByValue).toImage();
    QVERIFY(coBranding::inst()->logo->getImgData().isNull());
    about.applyBrandInfo();
    QCOMPARE(logo->pixmap(Qt::ReturnByValue).toImage(), builtIn);

    QImage brand(40, 20, QImage::Format_ARGB32);
    brand.fill(Qt::red);
    QVERIFY(coBranding::inst()->logo->setImgData(brand, false));
    about.applyBrandInfo();
    QCOMPARE(logo->pixmap(Qt::ReturnByValue).toImage().pixelColor(5, 5), QColor(Qt::red));
}

QTEST_MAIN(tst_About)
#include "tst_About.moc"
