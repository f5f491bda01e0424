#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/types.h>

// A private application folder and data folder for one test, with paths:: pointed at
// them and the data folder held open as the backend holds it. The program is copied
// to "real/openvpn" and linked as "openvpn", so the processes of this test are told
// apart from any other openvpn on the machine while paths::OPENVPN_FILE is still a
// link to resolve. Whatever still runs from the copy is killed when the sandbox goes.
class OpenvpnSandbox
{
public:
    // The openvpn stub built with the tests.
    static QString stubProgram();

    explicit OpenvpnSandbox(const QString& program = stubProgram());
    ~OpenvpnSandbox();
    OpenvpnSandbox(const OpenvpnSandbox&) = delete;
    OpenvpnSandbox& operator=(const OpenvpnSandbox&) = delete;

    bool isValid() const { return valid; }
    QString appFile(const QString& name) const;
    QString dataFile(const QString& name) const;

    // The stub's behaviour: "run", "ignore-term" or "exit".
    void setStubMode(const QByteArray& mode);
    // The arguments of the stub's latest run, one a line; empty when it has not run.
    QStringList recordedArguments() const;

    // Starts the copied program detached as the backend starts openvpn, with the
    // management endpoint on its command line and then `arguments`; its pid, 0 when it
    // did not start.
    pid_t startOurs(const QStringList& arguments = {}) const;
    // Starts the copied program detached with `arguments` alone, as any other
    // openvpn of the same program would run; its pid, 0 when it did not start.
    pid_t startForeign(const QStringList& arguments = {}) const;

    // Processes running the copied program, found by what they execute.
    QList<pid_t> processes() const;
    void killAll();

private:
    QTemporaryDir app;
    QTemporaryDir data;
    QString realProgram;
    bool valid = false;
};
