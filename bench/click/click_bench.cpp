// From a click on a Setting page button to the last byte of its frame at
// the far end of a pseudo-terminal: the real sheet, offscreen, its serial
// link loaded on a pty whose master side plays the device. A reader thread
// stamps the moment the frame's last byte arrives.
//
//   bench_click [clicks]     (default 200)

#include "offscreen_figures.h"
#include "page_fixture.h"
#include "pty_pair.h"
#include "pages/setting_page.h"

#include <QApplication>
#include <QtTest/QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <atomic>
#include <thread>
#include <vector>

using namespace lumivex;
using Clock = std::chrono::steady_clock;

namespace {

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5))];
}

}  // namespace

int main(int argc, char** argv)
{
    bench::useOffscreenPlatformQuietly();
    QApplication application(argc, argv);
    const int clicks = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    test::PtyPair device;
    testing::ScopedEnv com9{{"ZEPTA_COM9", device.path()}};
    testing::PageFixture f;
    f.load("COM9");
    f.showTab(1);
    f.showTab(2);
    device.receive(12);  // the model query and the two read-backs, unanswered

    // LOCK and UNLOCK in turn: each sends one 4-byte frame and asks nothing.
    // One reader thread waits on the device side all along, so a frame is
    // stamped the moment its last byte can be read.
    const int ids[] = {Image::kLockId, Image::kUnlockId};
    constexpr size_t kFrameBytes = 4;
    std::vector<Clock::time_point> arrivals(static_cast<size_t>(clicks));
    std::atomic<int> arrived{0};
    std::atomic<int> shortFrames{0};
    std::thread reader([&] {
        for (int i = 0; i < clicks; ++i) {
            const size_t got = device.receive(kFrameBytes).size();
            arrivals[size_t(i)] = Clock::now();
            shortFrames += got == kFrameBytes ? 0 : 1;
            arrived.store(i + 1, std::memory_order_release);
        }
    });
    std::vector<double> latency, handler;
    for (int i = 0; i < clicks; ++i) {
        auto* button = f.sheet.settingPage()->control<QAbstractButton>(ids[i % 2]);
        const auto start = Clock::now();
        QTest::mouseClick(button, Qt::LeftButton);
        const auto returned = Clock::now();
        while (arrived.load(std::memory_order_acquire) <= i)
            std::this_thread::yield();
        latency.push_back(std::chrono::duration<double, std::milli>(arrivals[size_t(i)] - start).count());
        handler.push_back(std::chrono::duration<double, std::milli>(returned - start).count());
        testing::PageFixture::settle();
    }
    reader.join();
    const int short_frames = shortFrames.load();

    // 8N1: a start bit, eight data bits and a stop bit for every byte.
    const double wireMs = double(kFrameBytes) * 10.0 * 1000.0 / 115200.0;
    std::printf("click on LOCK/UNLOCK to the frame's last byte at the far end of a pseudo-terminal, %d clicks"
                " (%d frames incomplete):\n", clicks, short_frames);
    std::printf("  median %.3f ms   p99 %.3f ms   max %.3f ms\n", percentile(latency, 0.5),
                percentile(latency, 0.99), percentile(latency, 1.0));
    std::printf("  of which the press and release in the window (the button repaints itself on both): median %.3f ms   p99 %.3f ms\n",
                percentile(handler, 0.5), percentile(handler, 0.99));
    std::printf("  the frame's wire time at 115200 8N1 (%zu bytes x 10 bits): %.3f ms; a pseudo-terminal adds"
                " none, so the figures above are all overhead\n", kFrameBytes, wireMs);
    std::printf("target: <= 1 ms beyond wire time -> median %s, p99 %s\n",
                percentile(latency, 0.5) <= 1.0 ? "met" : "NOT met", percentile(latency, 0.99) <= 1.0 ? "met" : "NOT met");
    return short_frames == 0 ? 0 : 1;
}
