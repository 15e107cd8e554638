// Request-and-scan against zepta-sim over a real pseudo-terminal: the time
// of a whole Setting read-back, which ends as soon as the reply is whole,
// against the fixed 100 ms wait it used to take.
//
//   bench_channel [runs]     (default 50; needs the build's bin/)

#include "link/link_state.h"
#include "link/ddc/monitor_table.h"
#include "link/serial/serial_mfc.h"
#include "sim_process.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

// The exchange's bytes on a real line at 115200 8N1: a 4-byte request and
// a 9-byte reply, ten bits each.
constexpr double kWireMs = 13 * 10 * 1000.0 / 115200;
// The same read-back with the fixed wait it replaced (README figures).
constexpr double kFixedWaitMedianMs = 100.22;

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

    std::vector<double> total;
    int missed = 0;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const bool found = link.readBackSettings().has_value();
        total.push_back(ms(Clock::now() - start));
        missed += found ? 0 : 1;
    }
    std::printf("Setting read-back over zepta-sim, %d runs (%d without a reply), reply wait %lld ms:\n", runs,
                missed, static_cast<long long>(link.replyWait().count()));
    print("request to whole reply", total);
    std::printf("  with the fixed 100 ms wait it replaced: median %.2f ms\n", kFixedWaitMedianMs);
    std::printf("target: wire time (%.2f ms at 115200 8N1) + 3 ms -> %s\n", kWireMs,
                percentile(total, 0.5) < kWireMs + 3.0 ? "met" : "NOT met");
    return missed == 0 ? 0 : 1;
}
