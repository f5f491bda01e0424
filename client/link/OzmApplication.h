#pragma once

#include <QApplication>

class SingleInstance;

// The client's application object: one per user through its single-instance
// layer. A second start's message becomes a quit or an activation request; the
// object starts the backend link with its two clients, reports a lost backend,
// releases the clients when the loop ends and flushes the log before it does.
class OzmApplication : public QApplication
{
    Q_OBJECT
public:
    OzmApplication(int& argc, char** argv);
    ~OzmApplication() override;

    // True while another client of this user runs; otherwise this one is the
    // client from now on and owns the log.
    bool isRunning();
    bool sendMessage(const QString& message, int timeoutMs);

    // Starts the backend and links to it; false when the link could not be made.
    bool initBackendService();
    void doActivate();

    static bool hasActiveWindow();
    // There is no dock here: reopening from the launcher is a second start,
    // which already activates the running client.
    static void initDocknotify(OzmApplication* app);
    static void closeDocknotify();

    static void initLogFile(const QString& fileName);
    static QString getOzmLog();

    // Titles of the main window and of every dialog; the entry function sets both.
    static QString windowTitle_;
    static QString windowTitleShort_;
    // While true the status window does not bring itself up on a change of the activation state.
    static bool notBlinkVudevo_;

signals:
    void quitRequest();
    void activateAppFromDock();
    void activateStatus();
    void serviceUnexpectedlyClosed();

public slots:
    void quit();
    void onApplicationMessage(const QString& message);
    void onBackendServiceStopError();
    void onQuitCleanUp();

private:
    void activate();

    SingleInstance* const singleInstance;
};
