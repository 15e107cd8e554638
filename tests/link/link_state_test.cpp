// The link state as the pages use it: sends under each mode, read-backs
// over a real serial port against zepta-sim, and the port's lifetime.

#include "frame_rows.h"
#include "link/link_state.h"
#include "link/ddc/monitor_table.h"
#include "recording_ddc.h"
#include "link/serial/serial_mfc.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

using namespace lumivex;
using lumivex::testing::Bytes;
using lumivex::testing::frameRows;
using lumivex::testing::loggedBytes;
using lumivex::testing::RecordingDdc;
using lumivex::testing::SimProcess;
using lumivex::testing::TempDir;
using lumivex::testing::waitUntil;

namespace {

constexpr uint32_t kFirstMonitor = 0x5A100001;

MonitorTable twoMonitors()
{
    MonitorTable table;
    table.handles = {kFirstMonitor, kFirstMonitor + 1};
    table.count = 2;
    return table;
}

// As the Interface page loads a COM port: no notification target here.
bool loadSerial(LinkState& link, const std::string& path)
{
    CSerialMFC& port = link.port();
    if (port.open(path.c_str(), nullptr) != 0 || port.setLineParameters(115200, 8, 0, 0) != 0
        || port.setHandshake(0) != 0)
        return false;
    link.setInterfaceMode(InterfaceMode::Serial);
    return true;
}

struct Fixture {
    explicit Fixture(std::vector<std::string> simArgs = {})
        : log((dir / "sim.log").string())
        , sim([&] {
            simArgs.insert(simArgs.end(), {"--log", log});
            return simArgs;
        }())
    {
        link.setReplyWait(lumivex::testing::kGenerousReplyWait);
    }
    TempDir dir;
    std::string log;
    SimProcess sim;
    RecordingDdc ddc;
    MonitorTable monitors = twoMonitors();
    LinkState link{ddc, monitors};
};

const Bytes kDviFrame{0x04, 0x1B, 0x02, 0xDF};

}  // namespace

TEST(LinkState, StartsWithNoLinkAndAClosedPort)
{
    RecordingDdc ddc;
    MonitorTable monitors;
    LinkState link(ddc, monitors);
    EXPECT_EQ(link.interfaceMode(), InterfaceMode::None);
    EXPECT_FALSE(link.port().isOpen());
    EXPECT_EQ(link.receiveBuffer().writePosition(), 0);
    EXPECT_EQ(link.closePort(), 0) << "closing a closed port does nothing";
}

TEST(LinkState, WithNoLinkNothingReachesEitherDevice)
{
    Fixture f;
    ASSERT_TRUE(f.sim.started());
    ASSERT_TRUE(loadSerial(f.link, f.sim.slavePath()));
    f.link.setInterfaceMode(InterfaceMode::None);
    for (const auto& row : frameRows())
        f.link.send(row.command);
    EXPECT_TRUE(f.ddc.writes.empty());
    // Frames go out in order, so once this one is seen nothing sent before
    // it can still be on the way.
    f.link.setInterfaceMode(InterfaceMode::Serial);
    f.link.send(commands::inputSource(2));
    ASSERT_TRUE(waitUntil([&] { return !loggedBytes(f.log, "rx").empty(); }));
    EXPECT_EQ(loggedBytes(f.log, "rx"), std::vector<Bytes>{kDviFrame});
    EXPECT_TRUE(loggedBytes(f.log, "skip").empty());
}

TEST(LinkState, DdcCiWritesEachCommandOnceToEntry0OfTheMonitorTable)
{
    struct Case {
        const char* what;
        MonitorTable monitors;
        uint32_t handle;
    };
    const Case cases[] = {
        {"two monitors", twoMonitors(), kFirstMonitor},
        {"no monitor found: the empty entry 0", MonitorTable{}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecordingDdc ddc;
        LinkState link(ddc, c.monitors);
        link.setInterfaceMode(InterfaceMode::DdcCi);
        std::vector<RecordingDdc::Call> expected;
        for (const auto& row : frameRows()) {
            link.send(row.command);
            expected.push_back({c.handle, row.vcpCode, row.vcpValue});
        }
        EXPECT_EQ(ddc.writes, expected);
        EXPECT_TRUE(ddc.reads.empty());
    }
}

TEST(LinkState, SerialFramesReachTheDeviceExactlyAsSent)
{
    Fixture f;
    ASSERT_TRUE(f.sim.started());
    ASSERT_TRUE(loadSerial(f.link, f.sim.slavePath()));
    std::vector<Bytes> expected;
    for (const auto& row : frameRows()) {
        f.link.send(row.command);
        expected.push_back(row.frame);
    }
    ASSERT_TRUE(waitUntil([&] { return loggedBytes(f.log, "rx").size() >= expected.size(); }));
    EXPECT_EQ(loggedBytes(f.log, "rx"), expected);
    EXPECT_TRUE(f.ddc.writes.empty());
}

TEST(LinkState, ReadBacksShowWhatTheCommandsSet)
{
    Fixture f({"--gpi", "5"});
    ASSERT_TRUE(f.sim.started());
    ASSERT_TRUE(loadSerial(f.link, f.sim.slavePath()));
    for (const Command& c : {commands::inputSource(1), commands::power(0), commands::osdMode(1),
                             commands::osdMode(3), commands::gpo(0x0A), commands::resolution(8, 2),
                             commands::bezelMask(2, 25, 30, true)})
        f.link.send(c);

    const auto settings = f.link.readBackSettings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->inputSource, 1);
    EXPECT_EQ(settings->power, 0);
    EXPECT_EQ(settings->osdLock, 1);
    EXPECT_EQ(settings->rotation, 2);
    EXPECT_EQ(settings->gpiBits, 5);
    EXPECT_EQ(settings->gpoBits, 0x0A);
    EXPECT_EQ(f.link.receiveBuffer().writePosition(), 0);

    const auto display = f.link.readBackDisplay();
    ASSERT_TRUE(display);
    EXPECT_EQ(display->resolution, 8);
    EXPECT_EQ(display->displayMode, 2);
    EXPECT_EQ(display->hTenths, 25);
    EXPECT_EQ(display->vTenths, 30);
    EXPECT_EQ(display->maskOn, 1);
    EXPECT_EQ(f.link.receiveBuffer().writePosition(), 0);
}

TEST(LinkState, TheModelQueryKeepsTheWritePosition)
{
    Fixture f({"--model", "K420"});
    ASSERT_TRUE(f.sim.started());
    ASSERT_TRUE(loadSerial(f.link, f.sim.slavePath()));
    const auto model = f.link.requestModel();
    ASSERT_TRUE(model);
    EXPECT_EQ(model->model, 1);
    EXPECT_EQ(f.link.receiveBuffer().writePosition(), 4);
    EXPECT_EQ(loggedBytes(f.log, "rx"), (std::vector<Bytes>{{0x04, 0x1A, 0x00, 0xE2}}));
}

TEST(LinkState, StrayBytesBeforeAReplyAreSkipped)
{
    Fixture f({"--noise", "7"});
    ASSERT_TRUE(f.sim.started());
    ASSERT_TRUE(loadSerial(f.link, f.sim.slavePath()));
    f.link.send(commands::inputSource(2));
    const auto settings = f.link.readBackSettings();
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->inputSource, 2);
}

TEST(LinkState, AReplyFromBeforeAResetIsNeverTakenForANewOne)
{
    Fixture answering;
    ASSERT_TRUE(answering.sim.started());
    ASSERT_TRUE(loadSerial(answering.link, answering.sim.slavePath()));
    ASSERT_TRUE(answering.link.readBackSettings());
    // The same link moves to a device that never answers.
    SimProcess silent({"--no-reply"});
    ASSERT_TRUE(silent.started());
    answering.link.closePort();
    ASSERT_TRUE(loadSerial(answering.link, silent.slavePath()));
    answering.link.setReplyWait(lumivex::testing::kSilentDeviceWait);
    EXPECT_FALSE(answering.link.readBackSettings());
    EXPECT_FALSE(answering.link.readBackDisplay());
}

TEST(LinkState, ALateReplyIsCollectedByTheNextDrain)
{
    Fixture f({"--delay", "500"});
    ASSERT_TRUE(f.sim.started());
    ASSERT_TRUE(loadSerial(f.link, f.sim.slavePath()));
    f.link.setReplyWait(std::chrono::milliseconds(0));  // drain at once, long before the device answers
    EXPECT_FALSE(f.link.requestAndScan(requests::kModel));
    size_t arrived = 0;
    ASSERT_TRUE(waitUntil([&] { return (arrived += f.link.drain()) >= 4; }));
    EXPECT_EQ(f.link.receiveBuffer().scanForReply(4, 26).position, 0);
}

TEST(LinkState, ReadVcpHandsOverOnlyWhatASuccessfulReadReturned)
{
    RecordingDdc ddc;
    MonitorTable monitors = twoMonitors();
    LinkState link(ddc, monitors);
    uint32_t current = 7;
    ddc.readStatus = 5;
    EXPECT_EQ(link.readVcp(0xB2, current), 5);
    EXPECT_EQ(current, 7u) << "a failed read leaves the page's value";
    ddc.readStatus = 0;
    ddc.readValue = 0x991E;
    EXPECT_EQ(link.readVcp(0xB2, current), 0);
    EXPECT_EQ(current, 0x991Eu);
    EXPECT_EQ(ddc.reads, (std::vector<RecordingDdc::Call>{{kFirstMonitor, 0xB2, 0}, {kFirstMonitor, 0xB2, 0}}));
}

TEST(LinkState, DestroyingItClosesThePort)
{
    SimProcess sim;
    ASSERT_TRUE(sim.started());
    {
        RecordingDdc ddc;
        MonitorTable monitors;
        LinkState link(ddc, monitors);
        ASSERT_TRUE(loadSerial(link, sim.slavePath()));
        link.send(commands::power(1));
    }
    // zepta-sim ends when the panel's side closes after a session.
    EXPECT_EQ(sim.waitForExit(), 0);
}

TEST(LinkState, ReplacingThePortClosesTheOldOne)
{
    SimProcess sim;
    ASSERT_TRUE(sim.started());
    RecordingDdc ddc;
    MonitorTable monitors;
    LinkState link(ddc, monitors);
    ASSERT_TRUE(loadSerial(link, sim.slavePath()));
    link.send(commands::power(1));
    link.replacePort(std::make_unique<CSerialMFC>());
    EXPECT_FALSE(link.port().isOpen());
    EXPECT_EQ(sim.waitForExit(), 0);
}
