#include "QOZMLabel.h"
#include "UiTestKit.h"

#include <QTest>

class tst_QOZMLabel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void heightForWidth_data()
    {
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("characters");
        QTest::addColumn<bool>("heightForWidth");
        QTest::newRow("18 of 20") << true << 20 << 18 << false;
        QTest::newRow("20 of 20") << true << 20 << 20 << false;
        QTest::newRow("25 of 20") << true << 20 << 25 << true;
        QTest::newRow("no limit") << true << -1 << 400 << false;
        QTest::newRow("no wrap") << false << 20 << 18 << false;
    }
    void heightForWidth()
    {
        QFETCH(bool, wrap);
        QFETCH(int, limit);
        QFETCH(int, characters);
        QFETCH(bool, heightForWidth);
        QOZMLabel label;
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
        policy.setHorizontalStretch(3);
        label.setSizePolicy(policy);
        label.setMaxCharactersForLogic(limit);
        label.setWordWrap(wrap);
        label.setText(QString(characters, 'x'));
        QCOMPARE(label.sizePolicy().hasHeightForWidth(), heightForWidth);
        QCOMPARE(label.sizePolicy().horizontalPolicy(), QSizePolicy::Preferred);
        QCOMPARE(label.sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
        if (wrap && !heightForWidth)
            QCOMPARE(label.sizePolicy().horizontalStretch(), 0);
    }
};

QTEST_MAIN(tst_QOZMLabel)
#include "tst_QOZMLabel.moc"
