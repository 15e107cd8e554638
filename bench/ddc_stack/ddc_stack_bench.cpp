// A whole operator session in the real sheet, offscreen, over DDC2Bi on the
// real plugin and libddcutil, with a K410 the emulated monitor puts on
// i2c-3: Load, the Display tab's read-back, the Setting tab's read-back.
// Each step is set beside its DDC/CI floor: about 40 ms for the monitor's
// reply plus a 50 ms gap, for every Get and Set the exchange log shows.
//
//   LD_PRELOAD=bin/liblvx-emulated-monitor.so bench_ddc_stack [runs]   (default 10)

#include "offscreen_figures.h"
#include "emulated_monitors.h"
#include "page_fixture.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace lumivex;
using lumivex::bench::median;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kFloorPerOperationMs = 40 + 50;

struct Step {
    const char* name;
    std::vector<double> ms, operations;
};

}  // namespace

int main(int argc, char** argv)
{
    bench::useOffscreenPlatformQuietly();
    if (!testing::emulatorPreloaded()) {
        std::fprintf(stderr, "bench_ddc_stack: the emulated monitor is not preloaded; run it as\n"
                             "  LD_PRELOAD=BIN/liblvx-emulated-monitor.so %s [runs]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    qputenv("LUMIVEX_BIN_DIR", QCoreApplication::applicationDirPath().toLocal8Bit());
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    const testing::EmulatedMonitors monitors({"bus=3 model=K410"});
    monitors.useInThisProcess();
    const auto operations = [&] { return double(monitors.logged(" get ").size() + monitors.logged(" set ").size()); };

    Step steps[] = {{"Load", {}, {}}, {"Display", {}, {}}, {"Setting", {}, {}}};
    std::vector<double> whole;
    int failed = 0;
    for (int i = 0; i < runs; ++i) {
        testing::PageFixture f(std::make_unique<DdcLibrary>(std::vector<std::string>{testing::realDdcLibraryPath()}));
        const std::function<void()> actions[] = {[&] { f.load(QStringLiteral("DDC2Bi")); },
                                                 [&] { f.showTab(1); }, [&] { f.showTab(2); }};
        double total = 0;
        for (int s = 0; s < 3; ++s) {
            const double before = operations();
            const auto start = Clock::now();
            actions[s]();
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            steps[s].ms.push_back(ms);
            steps[s].operations.push_back(operations() - before);
            total += ms;
        }
        whole.push_back(total);
        failed += f.sheet.windowTitle().contains(QLatin1String("K410")) ? 0 : 1;
        f.unload();
    }
    std::printf("DDC/CI (real plugin, libddcutil, emulated K410), median of %d sessions (%d without the model in "
                "the title):\n", runs, failed);
    for (const Step& s : steps) {
        const double ops = median(s.operations);
        std::printf("  %-8s %8.2f ms   %2.0f Get/Set, floor %6.1f ms (%+.1f ms beyond it)\n", s.name, median(s.ms),
                    ops, ops * kFloorPerOperationMs, median(s.ms) - ops * kFloorPerOperationMs);
    }
    std::printf("  whole session %8.2f ms (max %.2f)\n", median(whole), *std::max_element(whole.begin(), whole.end()));
    return failed == 0 ? 0 : 1;
}
