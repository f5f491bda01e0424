// The progress dialog as a person sees it, alone and docked into the test tab,
// grabbed from a private X server.
#include "HelpTestTab.h"
#include "UiTestKit.h"
#include "WindowShot.h"

#include <SplashDlg.h>

#include <QTest>

namespace {

const QStringList Parts{"titleLabel", "progressBar", "contentLabel", "cancelButton"};

} // namespace

class tst_SplashDlgWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void alone()
    {
        SplashDlg splash(true, true, nullptr);
        splash.progress(40);
        splash.display("Performing Connectivity Test", "Ozmira is checking the network.\nPlease wait.");
        const WindowShot shot(&splash);
        QCOMPARE(shot.check(Parts), QString());
        QCOMPARE(shot.image().size(), QSize(300, 259) * splash.devicePixelRatioF());
        // The bar's filled part is the brand's green.
        const QRect bar = shot.rectOf("progressBar");
        QCOMPARE(shot.colourAt(QPoint(bar.left() + bar.width() / 5, bar.center().y())), QColor("#77B542"));
        QVERIFY(!shot.save().isEmpty());
    }

    void dockedInTestTab()
    {
        HelpTestTab tab(QSize(420, 320));

        SplashDlg splash(true, true, nullptr);
        splash.display("Generating Report", "Ozmira is generating a technical report.\nPlease wait.");
        const WindowShot shot(&tab);
        QCOMPARE(shot.check(Parts), QString());
        QVERIFY(tab.rect().contains(splash.geometry()));
        QVERIFY(!shot.save().isEmpty());
    }
};

QTEST_MAIN(tst_SplashDlgWindow)
#include "tst_SplashDlgWindow.moc"
