// lumivex-ctl: the ZEPTA video-wall controller from scripts and timers.

#include "com_port_map.h"
#include "ctl_arguments.h"
#include "ctl_errors.h"
#include "ctl_verbs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace lumivex::ctl;

int main(int argc, char** argv)
{
    // No application object: nothing here needs an event loop, and a timer
    // that starts this every minute should not pay for one.
    try {
        const Request request = parseArguments(argc, argv);
        // COM names map through section "Ports" of the same file as the panel's.
        lumivex::ComPortMap::global().setIniPath(request.iniPath.toStdString());
        runVerb(request);
        // What went to standard output must have reached it: a full disk
        // or a closed pipe is a failure, not a success with nothing said.
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            fail(kExitUsage, QStringLiteral("standard output: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return kExitOk;
    } catch (const Failure& failure) {
        if (!failure.line.isEmpty())
            std::fprintf(stderr, "lumivex-ctl: %s\n", qPrintable(failure.line));
        return failure.code;
    }
}
