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
};
