// The longest the window's event loop stands still while the link works:
// Load, the Display tab's read-back and the Setting tab's, in the real
// sheet offscreen. A 1 ms timer runs throughout; the longest gap between
// its ticks is the stall (a frame is 16 ms). Over serial on zepta-sim by
// default, or over the real DDC/CI plugin and libddcutil on an emulated
// K410 with "ddc" (run with the emulator preloaded).
//
//   bench_stall [runs]                                              (default 10)
//   LD_PRELOAD=bin/liblvx-emulated-monitor.so bench_stall ddc [runs]

#include "emulated_monitors.h"
#include "offscreen_figures.h"
#include "page_fixture.h"
#include "sim_process.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

using namespace lumivex;
using lumivex::bench::median;

namespace {

constexpr double kFrameMs = 16;

// Ticks every millisecond while it lives; remembers the longest gap.
class StallMeter {
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    double measure(const std::function<void()>& action)
    {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
        action();
        // The last gap: from the last tick to the end of the action.
        m_longest = std::max(m_longest, m_clock.nsecsElapsed() - m_last);
        m_timer.stop();
        return double(m_longest) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    bench::useOffscreenPlatformQuietly();
    const bool ddc = argc > 1 && std::strcmp(argv[1], "ddc") == 0;
    const int runs = argc > (ddc ? 2 : 1) ? std::max(1, std::atoi(argv[ddc ? 2 : 1])) : 10;
    if (ddc && !testing::emulatorPreloaded()) {
        std::fprintf(stderr, "bench_stall: run as LD_PRELOAD=BIN/liblvx-emulated-monitor.so %s ddc [runs]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    qputenv("LUMIVEX_BIN_DIR", QCoreApplication::applicationDirPath().toLocal8Bit());

    std::optional<testing::EmulatedMonitors> monitors;
    std::optional<testing::SimProcess> sim;
    std::optional<testing::ScopedEnv> com1;
    if (ddc) {
        monitors.emplace(std::vector<std::string>{"bus=3 model=K410"});
        monitors->useInThisProcess();
    } else {
        sim.emplace(std::vector<std::string>{"--persist"});
        if (!sim->started())
            return 1;
        com1.emplace(std::initializer_list<std::pair<const char*, std::string>>{{"ZEPTA_COM1", sim->slavePath()}});
    }
    const QString link = ddc ? QStringLiteral("DDC2Bi") : QStringLiteral("COM1");

    StallMeter meter;
    std::vector<double> stalls[3];
    for (int i = 0; i < runs; ++i) {
        auto f = ddc ? std::make_unique<testing::PageFixture>(
                           std::make_unique<DdcLibrary>(std::vector<std::string>{testing::realDdcLibraryPath()}))
                     : std::make_unique<testing::PageFixture>();
        stalls[0].push_back(meter.measure([&] { f->load(link); }));
        stalls[1].push_back(meter.measure([&] { f->showTab(1); }));
        stalls[2].push_back(meter.measure([&] { f->showTab(2); }));
        f->unload();
    }
    std::printf("longest event-loop stall over %s, median of %d (target <= %.0f ms, one frame):\n",
                ddc ? "the real DDC/CI stack (emulated K410)" : "serial (zepta-sim)", runs, kFrameMs);
    const char* names[] = {"Load", "Display read-back", "Setting read-back"};
    for (int s = 0; s < 3; ++s)
        std::printf("  %-18s %8.2f ms  (worst %.2f ms) %s\n", names[s], median(stalls[s]),
                    *std::max_element(stalls[s].begin(), stalls[s].end()),
                    median(stalls[s]) <= kFrameMs ? "within" : "OVER");
    return 0;
}
