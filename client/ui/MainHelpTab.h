#pragma once

#include <QtGlobal>

class QStackedWidget;
class QWidget;

// The Help window lends its Connectivity Test tab to the diagnostics through one
// process-wide record. The Help window owns the widgets; the pointers here only
// say where a docked dialog goes and how the tab is given back.
struct MainHelpTab
{
    // Holds the layout a docked dialog adds itself to.
    QWidget* tabHost = nullptr;
    // The window's outer stack, hidden while a dialog is docked; null when none is.
    QStackedWidget* topStack = nullptr;
    // The tab's own stack: page 0 the start page, page 1 the docked dialog.
    QStackedWidget* tabStack = nullptr;
    // 0 idle, 1 connectivity test running, 2 report traces running,
    // 3 a run finished and its results are handed on, 4 enabling the Wi-Fi adapter.
    qint32 state = 0;

    // Puts the dialog into the tab when the tab has a layout to hold it;
    // otherwise it stays a window of its own.
    void dock(QWidget* dialog);
    // Gives the tab back its start page once a docked dialog is done; nothing
    // changes when the tab was already given back.
    void restoreTab();
};

// Read and written on the GUI thread only.
extern MainHelpTab hMainHelp;
