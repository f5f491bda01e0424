#include "HelpIcon.h"
#include "PopUp.h"
#include "UiTestKit.h"

#include <QRegion>
#include <QTest>

class tst_HelpIcon : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void placement_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("icon");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<bool>("arrowOnRight");
        QTest::addColumn<int>("arrowOffset");
        QTest::newRow("right of the window") << QRect(100, 100, 400, 300) << QRect(450, 200, 16, 16)
                                             << QPoint(505, 177) << false << 0;
        QTest::newRow("flips at the right edge") << QRect(1000, 100, 260, 300) << QRect(1200, 200, 16, 16)
                                                 << QPoint(994, 177) << true << 0;
        QTest::newRow("ends on the edge") << QRect(100, 100, 975, 300) << QRect(1000, 200, 16, 16)
                                          << QPoint(1080, 177) << false << 0;
        QTest::newRow("one pixel past it") << QRect(100, 100, 976, 300) << QRect(1000, 200, 16, 16)
                                           << QPoint(794, 177) << true << 0;
        QTest::newRow("kept below the top") << QRect(100, 0, 400, 300) << QRect(450, 5, 16, 16)
                                            << QPoint(505, 0) << false << -18;
        QTest::newRow("kept above the bottom") << QRect(100, 800, 400, 224) << QRect(450, 1010, 16, 16)
                                               << QPoint(505, 964) << false << 23;
    }
    void placement()
    {
        QFETCH(QRect, window);
        QFETCH(QRect, icon);
        QFETCH(QPoint, pos);
        QFETCH(bool, arrowOnRight);
        QFETCH(int, arrowOffset);
        const HelpIcon::Placement placement = HelpIcon::placePopup(window, icon, QRect(0, 0, 1280, 1024), QSize(200, 60));
        QCOMPARE(placement.pos, pos);
        QCOMPARE(placement.arrowOnRight, arrowOnRight);
        QCOMPARE(placement.arrowOffset, arrowOffset);
    }

    void arrowPointsOut_data()
    {
        QTest::addColumn<bool>("onRight");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("tipY");
        QTest::newRow("left") << false << 0 << 30;
        QTest::newRow("right") << true << 0 << 30;
        QTest::newRow("lowered") << false << 10 << 40;
        QTest::newRow("offset limited") << true << 40 << 47;
        QTest::newRow("raised") << false << -20 << 10;
    }
    void arrowPointsOut()
    {
        QFETCH(bool, onRight);
        QFETCH(int, offset);
        QFETCH(int, tipY);
        PopUp popup;
        const QRect rect(0, 0, 200, 60);
        const QBitmap mask = popup.arrowedRect(rect, onRight, offset);
        const QRegion shown(mask);
        // One pixel in from the edge: the tip itself is a single point.
        const int edge = onRight ? 198 : 1;
        const int body = onRight ? 193 : 6;
        QVERIFY(shown.contains(QPoint(edge, tipY)));
        QVERIFY(!shown.contains(QPoint(edge, tipY + 8)));
        QVERIFY(!shown.contains(QPoint(body, 0)));
        QVERIFY(!shown.contains(QPoint(onRight ? 0 : 199, 0)));
        QVERIFY(shown.contains(QPoint(100, 0)));
        QVERIFY(shown.contains(QPoint(onRight ? 0 : 199, 30)));
        // The same request again is answered from the last mask; an offset past the limit never is.
        QCOMPARE(popup.arrowedRect(rect, onRight, offset).cacheKey() == mask.cacheKey(), offset <= 17);
    }

    void popupFollowsTheIcon()
    {
        auto icon = std::make_unique<HelpIcon>();
        HelpIcon second;
        icon->setObjectName("lHelpServer");
        icon->setHelpCaption("Server");
        icon->setHelpText("The server the client connects to.");
        QCOMPARE(icon->popup()->objectName(), QString("lHelpServerPopup"));
        QCOMPARE(icon->helpText(), QString("The server the client connects to."));
        QCOMPARE(icon->helpCaption(), QString("Server"));
        QVERIFY(icon->popup()->windowFlags() & Qt::ToolTip);
        icon.reset();
        // The shared pixmaps stay while another icon lives.
        QVERIFY(!second.pixmap(Qt::ReturnByValue).isNull());
    }
};

QTEST_MAIN(tst_HelpIcon)
#include "tst_HelpIcon.moc"
