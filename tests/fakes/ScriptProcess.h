#pragma once

#include <QProcess>
#include <QStringList>

#include <functional>

// The test's Python helpers (the stand-in service, the name server) write a line
// once they serve and end at the end of their standard input, so that none
// outlives its test.
namespace ScriptProcess {

// Starts a program in the process object: here, or where the launcher puts it.
using Launcher = std::function<void(QProcess& process, const QString& program, const QStringList& arguments)>;

// Starts python3 with the script and its arguments; true once the first line
// can be read. Standard error goes to the test's.
bool start(QProcess& process, const QStringList& scriptAndArguments, const Launcher& launch = {});
// Closes its input and waits for the end; kills it when it does not come.
void end(QProcess& process);

} // namespace ScriptProcess
