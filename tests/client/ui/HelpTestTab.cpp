#include "HelpTestTab.h"

#include <MainHelpTab.h>

#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

HelpTestTab::HelpTestTab(const QSize& size)
    : tabStack(new QStackedWidget(this))
    , host(new QWidget(tabStack))
{
    tabStack->addWidget(new QLabel("Connectivity Test", tabStack));
    new QVBoxLayout(host);
    tabStack->addWidget(host);
    (new QVBoxLayout(this))->addWidget(tabStack);
    hMainHelp.tabStack = tabStack;
    hMainHelp.tabHost = host;
    resize(size);
    show();
}

HelpTestTab::~HelpTestTab()
{
    hMainHelp = MainHelpTab();
}
