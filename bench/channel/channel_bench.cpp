// Request-and-scan against zepta-sim over a real pseudo-terminal: the time
// of a whole Setting read-back and its overhead beyond the 100 ms the
// device is given to answer, split into the request, the wait's overshoot
// and the drain with its scan.
//
//   bench_channel [runs]     (default 50; needs the build's bin/)

#include "link_state.h"
#include "monitor_table.h"
#include "serial_mfc.h"
#include "sim_process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace lumivex;
using Clock = std::chrono::steady_clock;

namespace {

class NoDdc final : public DdcApi {
public:
    int32_t InstallDriver(int32_t, int32_t) override { return 0; }
    int32_t InitDDCHelper() override { return 0; }
    int32_t EnumGetFirst(uint32_t*) override { return 1; }
    int32_t EnumGetNext(uint32_t*) override { return 1; }
    int32_t GetCIValue(uint32_t, uint32_t, uint32_t*, uint32_t*) override { return 1; }
    int32_t SetCIValue(uint32_t, uint32_t, uint32_t) override { return 1; }
};

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Figures {
    std::vector<double> total, overhead, send, overshoot, drainScan;
};

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[at];
}

void print(const char* what, const std::vector<double>& values)
{
    std::printf("  %-32s median %8.3f ms   p99 %8.3f ms   max %8.3f ms\n", what, percentile(values, 0.5),
                percentile(values, 0.99), percentile(values, 1.0));
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    testing::SimProcess sim({"--gpi", "5"});
    if (!sim.started()) {
        std::fprintf(stderr, "bench_channel: zepta-sim did not start (LUMIVEX_BIN_DIR=%s)\n",
                     testing::binDir().c_str());
        return 1;
    }
    NoDdc ddc;
    MonitorTable monitors;
    LinkState link(ddc, monitors);
    if (link.port().open(sim.slavePath().c_str(), nullptr) != 0
        || link.port().setLineParameters(115200, 8, 0, 0) != 0) {
        std::fprintf(stderr, "bench_channel: cannot open %s\n", sim.slavePath().c_str());
        return 1;
    }
    link.setInterfaceMode(InterfaceMode::Serial);

    Clock::time_point waitStart, waitEnd;
    link.setReplyWait([&] {
        waitStart = Clock::now();
        std::this_thread::sleep_for(LinkState::kReplyWait);
        waitEnd = Clock::now();
    });
    Figures f;
    int missed = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const bool found = link.readBackSettings().has_value();
        const auto end = Clock::now();
        missed += found ? 0 : 1;
        f.total.push_back(ms(end - start));
        f.overhead.push_back(ms(end - start) - ms(LinkState::kReplyWait));
        f.send.push_back(ms(waitStart - start));
        f.overshoot.push_back(ms(waitEnd - waitStart) - ms(LinkState::kReplyWait));
        f.drainScan.push_back(ms(end - waitEnd));
    }
    std::printf("Setting read-back over zepta-sim, %d runs (%d without a reply):\n", runs, missed);
    print("total", f.total);
    print("overhead beyond 100 ms", f.overhead);
    print("  request (4 one-byte writes)", f.send);
    print("  wait beyond 100 ms", f.overshoot);
    print("  drain and scan", f.drainScan);
    std::printf("target: overhead under 2 ms -> %s\n", percentile(f.overhead, 0.5) < 2.0 ? "met" : "NOT met");
    return missed == 0 ? 0 : 1;
}
