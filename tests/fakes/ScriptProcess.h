#pragma once

#include <QProcess>
#include <QStringList>

// The test's Python helpers (the stand-in service, the name server) write a line
// once they serve and end at the end of their standard input, so that none
// outlives its test.
namespace ScriptProcess {

// Starts python3 with the script and its arguments; true once the first line
// can be read. Standard error goes to the test's.
bool start(QProcess& process, const QStringList& scriptAndArguments);
// Closes its input and waits for the end; kills it when it does not come.
void end(QProcess& process);

} // namespace ScriptProcess
