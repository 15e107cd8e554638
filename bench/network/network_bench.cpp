// lumivex-ctl "status" to zepta-sim through ser2net on loopback: over the
// raw accepter and the RFC 2217 accepter, against the same run straight on
// the pseudo-terminal. Each run opens the link, asks the model and reads both
// read-backs. A raw open knocks with a second connection, which ser2net
// refuses at once; an accepter that takes two clients leaves the knock
// unanswered, so the open waits the whole 100 ms settle, as every raw open
// did before the knock.
//
//   bench_network [runs]     (default 20; needs the build's bin/ and ser2net)
//
// BENCH_NETWORK_BEFORE_BIN=DIR adds raw TCP with DIR's lumivex-ctl and
// zepta-sim (an earlier build's bin/), for a before/after of the same server.

#include "ctl_process.h"
#include "ser2net_process.h"
#include "sim_process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace lumivex::testing;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median milliseconds of status over the link; negative when a run failed.
double measure(const std::string& what, const std::string& link, int runs)
{
    // ser2net lets go of the device a little after the last client of
    // another accepter has gone, and refuses a new one until then ("Port's
    // device already in use"): unmeasured runs until one gets through.
    for (int tries = 0; tries < 100; ++tries) {
        if (runCtl({"--link", link, "--ini", "/tmp/bench_network_ZEPTA.ini", "status"}).exitCode == 0)
            break;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const CtlRun run = runCtl({"--link", link, "--ini", "/tmp/bench_network_ZEPTA.ini", "status"},
                                  {{"ZEPTA_REPLY_WAIT_MS", "1000"}});
        if (run.exitCode != 0) {
            std::fprintf(stderr, "bench_network: %s failed: %s", what.c_str(), run.err.c_str());
            return -1;
        }
        times.push_back(double(run.took.count()));
    }
    const double m = median(times);
    std::printf("  %-44s median %7.1f ms   max %7.1f ms\n", what.c_str(), m,
                *std::max_element(times.begin(), times.end()));
    return m;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    if (!Ser2NetProcess::installed()) {
        std::fprintf(stderr, "bench_network: ser2net is not installed (scripts/setup installs it)\n");
        return 1;
    }
    SimProcess sim({"--persist"});
    char folder[] = "/tmp/bench_network_XXXXXX";
    if (!sim.started() || !mkdtemp(folder))
        return 1;
    Ser2NetProcess server(sim.slavePath(), folder);
    if (!server.started()) {
        std::fprintf(stderr, "bench_network: ser2net did not start:\n%s", server.output().c_str());
        return 1;
    }
    std::printf("lumivex-ctl status, %d runs each, spawn to exit:\n", runs);
    const double pty = measure("over the pseudo-terminal", sim.slavePath(), runs);
    const double raw = measure("ser2net raw TCP (the knock refused)", server.rawLink(), runs);
    const double settle = measure("ser2net raw TCP, knock unanswered (settle)",
                                  server.link(Ser2NetAccepter::RawTwoClients), runs);
    const double telnet = measure("ser2net RFC 2217", server.rfc2217Link(), runs);
    double before = 0;
    if (const char* earlier = std::getenv("BENCH_NETWORK_BEFORE_BIN")) {
        const std::string own = binDir();
        setenv("LUMIVEX_BIN_DIR", earlier, 1);
        before = measure(std::string("ser2net raw TCP, ") + earlier, server.rawLink(), runs);
        setenv("LUMIVEX_BIN_DIR", own.c_str(), 1);
    }
    server.stop();
    std::remove("/tmp/bench_network_ZEPTA.ini");
    std::remove((std::string(folder) + "/ser2net.yaml").c_str());
    std::remove((std::string(folder) + "/ser2net.log").c_str());
    std::remove((std::string(folder) + "/ser2net.pid").c_str());
    rmdir(folder);
    if (pty < 0 || raw < 0 || settle < 0 || telnet < 0 || before < 0)
        return 1;
    std::printf("  raw TCP is the pty + %.1f ms with the knock (it was + %.1f ms with the fixed 100 ms settle, "
                "which a server that leaves the knock unanswered still gets); "
                "RFC 2217 is the pty + %.1f ms (the line set-up: ser2net confirms the baud rate last)\n",
                raw - pty, settle - pty, telnet - pty);
    return 0;
}
