#pragma once

#include <QWidget>

class QStackedWidget;

// A stand-in for the Help window's Connectivity Test tab, lent to docked
// dialogs through hMainHelp while it lives: a start page and a page that holds
// the docked dialog.
class HelpTestTab : public QWidget
{
public:
    explicit HelpTestTab(const QSize& size);
    ~HelpTestTab() override;

    QStackedWidget* const tabStack;
    QWidget* const host;
};
