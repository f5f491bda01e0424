#include "MainHelpTab.h"

#include <QLayout>
#include <QStackedWidget>

MainHelpTab hMainHelp;

void MainHelpTab::dock(QWidget* dialog)
{
    if (!tabHost || !tabHost->layout())
        return;
    tabHost->layout()->addWidget(dialog);
    if (tabStack)
        tabStack->setCurrentIndex(1);
}

void MainHelpTab::restoreTab()
{
    if (!topStack)
        return;
    topStack->setCurrentIndex(1);
    if (tabStack)
        tabStack->setCurrentIndex(0);
    topStack->show();
    topStack = nullptr;
}
