// QOZMStackedWidget and QOZMTabWidget take the height of the page on show.
#include "QOZMLabel.h"
#include "QOZMStackedWidget.h"
#include "QOZMTabWidget.h"
#include "UiTestKit.h"

#include <QTest>
#include <QVBoxLayout>

namespace {

QWidget* pageOfHeight(int height)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addSpacerItem(new QSpacerItem(10, height, QSizePolicy::Minimum, QSizePolicy::Fixed));
    page->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return page;
}

int heightAfterSwitch(bool adjust)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* container = new QOZMStackedWidget;
    container->setAdjustSizeToVisibleChild(adjust);
    container->addWidget(pageOfHeight(400));
    container->addWidget(pageOfHeight(40));
    layout->addWidget(container);
    window.show();
    container->setCurrentIndex(1);
    return container->sizeHint().height();
}

} // namespace

class tst_VisiblePageSizer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { UiTestKit::prepare(); }

    void followsTheSmallPage()
    {
        QVERIFY(heightAfterSwitch(true) < 100);
        QVERIFY(heightAfterSwitch(false) >= 400);
    }

    // QTabWidget sizes itself from its pages' hints alone; what the tab widget
    // shares is the policy of its hidden pages, which a layout around it reads.
    void tabPagesAreSizedAlike()
    {
        QOZMTabWidget tabs;
        QWidget* first = pageOfHeight(400);
        QWidget* second = pageOfHeight(40);
        tabs.addTab(first, "one");
        tabs.addTab(second, "two");
        tabs.show();
        QCOMPARE(first->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(second->sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
        tabs.setCurrentIndex(1);
        QCOMPARE(first->sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
        QCOMPARE(second->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    }

    void pagePoliciesComeBack()
    {
        QOZMStackedWidget stack;
        QWidget* tall = pageOfHeight(400);
        QWidget* small = pageOfHeight(40);
        stack.addWidget(tall);
        stack.addWidget(small);
        QCOMPARE(tall->sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
        stack.show();
        QCOMPARE(tall->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(small->sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
        stack.setCurrentWidgetSizePolicy(QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding));
        stack.setCurrentIndex(1);
        QCOMPARE(tall->sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
        stack.setAdjustSizeToVisibleChild(false);
        QCOMPARE(tall->sizePolicy(), QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding));
        QCOMPARE(small->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        stack.setCurrentIndex(0);
        QCOMPARE(small->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    }

    void shownPageRefitsItsLabels()
    {
        QOZMStackedWidget stack;
        stack.addWidget(pageOfHeight(40));
        auto* page = new QWidget;
        auto* label = new QOZMLabel(page);
        label->setWordWrap(true);
        label->setText("short");
        label->setSizePolicy(QSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred, QSizePolicy::Label));
        QCOMPARE(label->sizePolicy().controlType(), QSizePolicy::Label);
        stack.addWidget(page);
        stack.show();
        stack.setCurrentIndex(1);
        QCOMPARE(label->sizePolicy().controlType(), QSizePolicy::DefaultType);
    }
};

QTEST_MAIN(tst_VisiblePageSizer)
#include "tst_VisiblePageSizer.moc"
