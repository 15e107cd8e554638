// The adapter pulled out mid-session: zepta-sim's pseudo-terminal closes
// while the panel has the port loaded.

#include "page_fixture.h"
#include "pty_pair.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>

using namespace lumivex;
using lumivex::testing::PageFixture;
using lumivex::testing::ScopedEnv;
using lumivex::testing::SimProcess;

namespace {

// CPU time the whole process (every thread) has used so far.
std::chrono::microseconds cpuTime()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto total = [](const timeval& t) { return std::chrono::seconds(t.tv_sec) + std::chrono::microseconds(t.tv_usec); };
    return total(usage.ru_utime) + total(usage.ru_stime);
}

// Runs the event loop, sleeping, for a while with nothing to do.
void idle(std::chrono::milliseconds span)
{
    QEventLoop loop;
    QTimer::singleShot(span, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

TEST(UnpluggedAdapter, ReadBacksFailQuietlyAndTheSameNameLoadsAgain)
{
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--persist"});
    ASSERT_TRUE(sim->started());
    ScopedEnv com1{{"ZEPTA_COM1", sim->slavePath()}};
    PageFixture f;
    f.load("COM1");
    ASSERT_EQ(f.messages.texts, QStringList{"Open COM1 successfully"});
    ASSERT_EQ(f.sheet.windowTitle(), "ZEPTA-Lumivex K410 V1.5");

    ASSERT_TRUE(sim->terminate().has_value());
    sim.reset();
    EXPECT_TRUE(lumivex::test::processEventsUntil([&] { return !f.sheet.link().port().eventThreadRunning(); }))
        << "the event thread ends at the hang-up";

    for (int tab : {1, 2}) {
        SCOPED_TRACE(tab);
        f.messages.texts.clear();
        f.showTab(tab);
        EXPECT_EQ(f.messages.texts, QStringList{"Read RS232 Data Fail"});
        f.showTab(0);
    }

    // Still responsive: a posted call runs at the next turn of the loop.
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    PageFixture::settle();
    EXPECT_TRUE(ran);

    // Nothing spins on the dead port: a second of idling costs next to no CPU.
    const auto before = cpuTime();
    idle(std::chrono::seconds(1));
    const auto used = cpuTime() - before;
    EXPECT_LT(used, std::chrono::milliseconds(200)) << used.count() << " us of CPU while idle";

    f.messages.texts.clear();
    f.unload();
    EXPECT_EQ(f.messages.texts, QStringList{"Unload all devices"});
    EXPECT_EQ(f.state(), PageFixture::kUnloaded);

    // The device is back on another pseudo-terminal, mapped to the same name.
    SimProcess back({"--model", "K420"});
    ASSERT_TRUE(back.started());
    ScopedEnv again{{"ZEPTA_COM1", back.slavePath()}};
    f.messages.texts.clear();
    f.load("COM1");
    EXPECT_EQ(f.messages.texts, QStringList{"Open COM1 successfully"});
    EXPECT_EQ(f.state(), PageFixture::loaded(InterfaceMode::Serial));
    EXPECT_EQ(f.sheet.windowTitle(), "ZEPTA-Lumivex K420 V1.5");
    f.showTab(2);
    EXPECT_EQ(f.messages.texts, QStringList{"Open COM1 successfully"}) << "the read-back succeeds";
}
