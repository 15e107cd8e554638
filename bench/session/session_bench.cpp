// A whole operator session in the real sheet, offscreen: Load, the Display
// tab's read-back, the Setting tab's read-back; over serial against
// zepta-sim and over the simulated DDC/CI library. Each run starts from a
// fresh window, whose own start-up is not counted.
//
//   bench_session [runs]     (default 10 per link; needs the build's bin/)

#include "offscreen_figures.h"
#include "page_fixture.h"
#include "sim_process.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace lumivex;
using lumivex::bench::median;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Steps {
    std::vector<double> load, display, setting, total;
};

// Returns false when the model did not reach the title.
bool runSession(const QString& link, Steps& steps)
{
    testing::PageFixture f;
    f.sheet.link().setReplyWait(kDefaultReplyWait);  // as the panel runs by default
    const auto start = Clock::now();
    f.load(link);
    const auto loaded = Clock::now();
    f.showTab(1);
    const auto display = Clock::now();
    f.showTab(2);
    const auto setting = Clock::now();
    steps.load.push_back(ms(loaded - start));
    steps.display.push_back(ms(display - loaded));
    steps.setting.push_back(ms(setting - display));
    steps.total.push_back(ms(setting - start));
    const bool named = f.sheet.windowTitle().contains(QLatin1String("K410"));
    f.unload();
    return named;
}

void print(const char* link, int runs, int failed, const Steps& s)
{
    std::printf("%s, median of %d sessions (%d without the model in the title):\n", link, runs, failed);
    std::printf("  Load %8.2f ms   Display %8.2f ms   Setting %8.2f ms   whole session %8.2f ms (max %.2f)\n",
                median(s.load), median(s.display), median(s.setting), median(s.total),
                *std::max_element(s.total.begin(), s.total.end()));
}

}  // namespace

int main(int argc, char** argv)
{
    bench::useOffscreenPlatformQuietly();
    QApplication application(argc, argv);
    // zepta-sim and the simulated library are this program's neighbours.
    qputenv("LUMIVEX_BIN_DIR", QCoreApplication::applicationDirPath().toLocal8Bit());
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;

    testing::SimProcess sim({"--persist"});
    if (!sim.started()) {
        std::fprintf(stderr, "bench_session: zepta-sim did not start (LUMIVEX_BIN_DIR=%s)\n",
                     testing::binDir().c_str());
        return 1;
    }
    testing::ScopedEnv com9{{"ZEPTA_COM9", sim.slavePath()}};
    Steps serial, ddc;
    int serialFailed = 0, ddcFailed = 0;
    for (int i = 0; i < runs; ++i) {
        serialFailed += runSession(QStringLiteral("COM9"), serial) ? 0 : 1;
        ddcFailed += runSession(QStringLiteral("DDC2Bi"), ddc) ? 0 : 1;
    }
    print("serial (zepta-sim)", runs, serialFailed, serial);
    print("DDC/CI (simulated library)", runs, ddcFailed, ddc);
    std::printf("  (each serial read-back ends when its reply is whole, at most 100 ms; with the fixed 100 ms\n"
                "   wait a serial session took 316 ms: Load 100.5, Display 106.8, Setting 108.3; the DDC/CI\n"
                "   calls return at once)\n");
    return serialFailed + ddcFailed == 0 ? 0 : 1;
}
