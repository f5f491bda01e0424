// Stands in for the openvpn program in tests. It records its arguments, one per line,
// writes its pid where "--writepid" says, notes its start in the "--log" file and then
// waits for SIGTERM.
//
// Where the arguments go: $OZM_OPENVPN_STUB_ARGS, else "<argv[0]>.args".
// How it behaves: $OZM_OPENVPN_STUB_MODE, else the first word of "<argv[0]>.mode":
//   "run" (default)  wait until SIGTERM;
//   "ignore-term"    ignore SIGTERM (only SIGKILL ends it);
//   "exit"           record, then exit at once with status 1.
// It ends by itself after five minutes so that a failed test leaves nothing behind.

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string setting(const char* variable, const std::string& besideFile)
{
    if (const char* value = std::getenv(variable))
        return value;
    return besideFile;
}

std::string readMode(const std::string& program)
{
    if (const char* value = std::getenv("OZM_OPENVPN_STUB_MODE"))
        return value;
    std::ifstream file(program + ".mode");
    std::string mode;
    file >> mode;
    return mode.empty() ? "run" : mode;
}

std::string optionValue(int argc, char** argv, const std::string& option)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (argv[i] == option)
            return argv[i + 1];
    }
    return std::string();
}

} // namespace

int main(int argc, char** argv)
{
    const std::string program = argv[0];
    {
        std::ofstream args(setting("OZM_OPENVPN_STUB_ARGS", program + ".args"), std::ios::trunc);
        for (int i = 1; i < argc; ++i)
            args << argv[i] << '\n';
    }
    const std::string mode = readMode(program);
    if (mode == "exit")
        return 1;
    // A disposition inherited from the starter must not decide the test's outcome.
    std::signal(SIGTERM, mode == "ignore-term" ? SIG_IGN : SIG_DFL);

    const std::string log = optionValue(argc, argv, "--log");
    if (!log.empty())
        std::ofstream(log, std::ios::app) << "openvpn stub: started\n";
    const std::string pidFile = optionValue(argc, argv, "--writepid");
    if (!pidFile.empty())
        std::ofstream(pidFile, std::ios::trunc) << getpid() << '\n';

    alarm(300);
    for (;;)
        pause();
}
