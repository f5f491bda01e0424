#pragma once

#include <QApplication>

// The client's application object. The log lives in ClientLog; the application
// opens it and puts Qt's own message output back when it goes.
class OzmApplication : public QApplication
{
    Q_OBJECT
public:
    OzmApplication(int& argc, char** argv);
    ~OzmApplication() override;

    static void initLogFile(const QString& fileName);
    static QString getOzmLog();

    // Titles of the main window and of every dialog; the entry function sets both.
    static QString windowTitle_;
    static QString windowTitleShort_;
    // While true the status window does not bring itself up on a change of the activation state.
    static bool notBlinkVudevo_;
};
