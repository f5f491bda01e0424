// The window test bench itself: what it sees of a real window, and that a Qt
// warning turns into a failure.
#include "QtWarningsFail.h"
#include "WindowShot.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

class tst_UiBench : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QtWarningsFail::install(); }

    void seesNamedWidgetsWhereTheyAre()
    {
        QWidget window;
        window.setStyleSheet("background: white;");
        auto* label = new QLabel("bench", &window);
        label->setObjectName("badge");
        label->setStyleSheet("background: #7ab843; color: black;");
        label->setGeometry(40, 30, 120, 50);
        window.resize(300, 200);
        window.move(100, 80);
        window.show();

        const WindowShot shot(&window);
        QCOMPARE(shot.check({"badge"}), QString());
        QCOMPARE(shot.rectOf("badge"), QRect(40, 30, 120, 50));
        QCOMPARE(shot.colourAt({42, 32}), QColor("#7ab843"));
        QCOMPARE(shot.colourAt({10, 10}), QColor(Qt::white));
        const QString path = shot.save();
        QVERIFY(path.endsWith("/screenshots/tst_UiBench-seesNamedWidgetsWhereTheyAre.png"));
        QCOMPARE(QImage(path).size(), QSize(300, 200));
    }

    void reportsWhatIsWrong_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<QString>("problem");
        QTest::newRow("one colour") << QString() << "the window is one colour";
        QTest::newRow("no such widget") << "missing" << "missing is not a visible widget of the window";
        QTest::newRow("hidden widget") << "hidden" << "hidden is not a visible widget of the window";
        QTest::newRow("blank widget") << "blank" << "blank shows nothing but one colour";
        QTest::newRow("outside") << "outside" << "outside at (250,150 100x100) lies outside the window";
    }
    void reportsWhatIsWrong()
    {
        QFETCH(QString, wanted);
        QFETCH(QString, problem);
        QWidget window;
        window.setStyleSheet("QWidget { background: white; }");
        window.resize(300, 200);
        auto* hidden = new QLabel("x", &window);
        hidden->setObjectName("hidden");
        hidden->hide();
        auto* blank = new QWidget(&window);
        blank->setObjectName("blank");
        blank->setGeometry(10, 10, 20, 20);
        auto* outside = new QLabel("far", &window);
        outside->setObjectName("outside");
        outside->setGeometry(250, 150, 100, 100);
        outside->setStyleSheet("background: red;");
        if (wanted.isEmpty())
            outside->hide();
        window.show();

        const WindowShot shot(&window);
        QCOMPARE(shot.check(wanted.isEmpty() ? QStringList() : QStringList{wanted}), problem);
    }

    void qtWarningFailsTheTest()
    {
        QEXPECT_FAIL("", "a Qt warning is a failure of the test that provoked it", Continue);
        qWarning("QPainter::begin: Paint device returned engine == 0, type: 2");
    }

    void provokedWarningDoesNot()
    {
        QtWarningsFail::expect(QtWarningMsg, "provoked on purpose");
        qWarning("provoked on purpose");
    }
};

QTEST_MAIN(tst_UiBench)
#include "tst_UiBench.moc"
