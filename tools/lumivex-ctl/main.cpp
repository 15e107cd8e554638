// lumivex-ctl: the ZEPTA video-wall controller from scripts and timers.

#include "link/serial/com_port_map.h"
#include "lumivex-ctl/ctl_arguments.h"
#include "control/outcome.h"
#include "lumivex-ctl/ctl_fleet.h"
#include "lumivex-ctl/ctl_verbs.h"
#include "lumivex-ctl/service_access.h"
#include "platform/exit_settle.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace lumivex::ctl;
using namespace lumivex::control;

int main(int argc, char** argv)
{
    lumivex::settleThreadsAtExit();
    // No application object: nothing here needs an event loop, and a timer
    // that starts this every minute should not pay for one. The bus needs
    // one: it is made when a link is about to open.
    ServiceAccess services;
    ExitCode code = kExitOk;
    try {
        Request request = parseArguments(argc, argv);
        readVerbInput(request);
        // COM names map through section "Ports" of the same file as the panel's.
        lumivex::ComPortMap::global().setIniPath(request.iniPath.toStdString());
        code = report(request, runOnLinks(request, &services), stdout, stderr);
    } catch (const Failure& failure) {
        if (!failure.line.isEmpty())
            std::fprintf(stderr, "lumivex-ctl: %s\n", qPrintable(failure.line));
        code = failure.code;
    }
    // What went to standard output must have reached it: a full disk or a
    // closed pipe is a failure, not a success with nothing said.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "lumivex-ctl: standard output: %s\n", std::strerror(errno));
        if (code == kExitOk)
            code = kExitUsage;
    }
    return int(code);
}
