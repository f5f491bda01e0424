#pragma once

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A private installation of the client and its backend, sound enough for the
// installation check, with a home, a runtime folder and a data folder of its own.
// Every client it starts is killed when it goes.
class ClientInstallation
{
public:
    // A backend script stands in for the real backend program.
    explicit ClientInstallation(const QByteArray& backendScript = {});
    ~ClientInstallation();

    // From now on the installation's home, runtime and temporary folders are the
    // user's, and every client it starts runs as that user.
    void handOverTo(uint uid);

    QString client() const;
    QString resources() const { return root.filePath("Ozmira/Contents/Resources"); }
    QString home() const { return root.filePath("home"); }
    QString dataFolder() const;
    QString logPath() const { return dataFolder() + "/log.txt"; }
    QString runtimeFolder() const { return root.filePath("run"); }
    QProcessEnvironment environment() const;

    // Starts `ozm` with the arguments; the process stays the installation's.
    // Its standard error goes to the test's, or is kept to be read.
    QProcess* start(const QStringList& arguments, const QProcessEnvironment& env, bool keepErrors = false);
    QProcess* start(const QStringList& arguments) { return start(arguments, environment()); }
    // Runs `ozm` to its end; its exit code, or -100 when it did not end in time.
    // errors, when given, gets what it wrote to standard error.
    int run(const QStringList& arguments, const QProcessEnvironment& env, QByteArray* errors = nullptr);
    int run(const QStringList& arguments) { return run(arguments, environment()); }

    QByteArray log() const;
    // Waits until the log holds text count times.
    bool waitForLog(const QByteArray& text, int count = 1) const;

private:
    QTemporaryDir root;
    // Root's own when not handed over.
    uint user = 0;
    std::vector<std::unique_ptr<QProcess>> processes;
};
