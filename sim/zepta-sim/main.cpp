// zepta-sim: a simulated ZEPTA controller on a pseudo-terminal. Prints the
// path the panel opens (e.g. ZEPTA_COM1=$(...)), then serves frames until
// SIGTERM/SIGINT or until the panel closes the port after a session.

#include "sim/zepta-sim/frame_log.h"
#include "sim/zepta-sim/pty_device.h"
#include "sim/zepta-sim/sim_options.h"
#include "sim/zepta-sim/sim_server.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

using namespace lumivex::sim;

namespace {

// Stop signals arrive through a descriptor the loop polls, so the loop
// ends between two frames and the log is complete.
int stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0)
        return -1;
    std::signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

}  // namespace

int main(int argc, char** argv)
{
    const ParsedOptions parsed = parseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::fprintf(stderr, "zepta-sim: %s\n%s", parsed.error.c_str(), kSimUsage);
        return 2;
    }
    const SimOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(kSimUsage, stdout);
        return 0;
    }
    FrameLog log;
    if (!options.logPath.empty() && !log.open(options.logPath)) {
        std::fprintf(stderr, "zepta-sim: cannot write the log %s\n", options.logPath.c_str());
        return 1;
    }
    const int stopFd = stopSignals();
    PtyDevice pty;
    std::string error;
    if (stopFd < 0 || !pty.open(error)) {
        std::fprintf(stderr, "zepta-sim: %s\n", stopFd < 0 ? "cannot catch stop signals" : error.c_str());
        return 1;
    }
    std::printf("%s\n", pty.slavePath().c_str());
    std::fflush(stdout);
    SimServer server(options, pty, log);
    const int status = server.run(stopFd);
    close(stopFd);
    return status;
}
