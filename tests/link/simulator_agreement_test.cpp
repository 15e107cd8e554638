// The two simulators agree: a command sent through its VCP code and through
// its serial frame leaves the device in the same state, in the model itself
// and across libDDCHelper-sim.so and zepta-sim, as the pages read it back.

#include "link/ddc/ddc_library.h"
#include "sim/device/device_model.h"
#include "sim/device/device_state_text.h"
#include "frame_rows.h"
#include "panel/display_rules.h"
#include "link/link_state.h"
#include "link/ddc/monitor_table.h"
#include "recording_messages.h"
#include "link/serial/serial_mfc.h"
#include "panel/setting_rules.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace lumivex;
using lumivex::device::DeviceCounters;
using lumivex::device::DeviceModel;
using lumivex::device::DeviceState;
using lumivex::device::FrameOutcome;
using lumivex::device::Model;
using lumivex::testing::binDir;
using lumivex::testing::RecordingMessages;
using lumivex::testing::SimProcess;

namespace {

struct Step {
    const char* what;
    Command command;
};

// Every command the pages send, including values the device refuses
// (which must be refused on both links alike).
std::vector<Step> steps()
{
    return {
        {"DVI", commands::inputSource(2)},
        {"Component", commands::inputSource(1)},
        {"input source 3", commands::inputSource(3)},
        {"power off", commands::power(0)},
        {"OSD lock", commands::osdMode(1)},
        {"rotation", commands::osdMode(3)},
        {"GPO 0x0A", commands::gpo(0x0A)},
        {"resolution 8 at layout 0", commands::resolution(8, 0)},
        {"layout 4 at resolution 8", commands::displayMode(8, 4)},
        {"layout 9", commands::displayMode(8, 9)},
        {"mask on", commands::bezelMask(4, 25, 30, true)},
        {"identify", commands::identify()},
        {"auto adjust", commands::autoAdjust()},
        {"power 2", commands::power(2)},
        {"mask off at the field limits", commands::bezelMask(4, 127, 255, false)},
        {"normal", commands::osdMode(2)},
        {"GPO 0x05", commands::gpo(0x05)},
        {"power on", commands::power(1)},
        {"factory reset", commands::factoryReset()},
        {"resolution 3 at layout 0", commands::resolution(3, 0)},
        {"unlock", commands::osdMode(0)},
    };
}

void sendAsFrame(DeviceModel& model, const Command& command)
{
    SerialFrame frame;
    std::vector<uint8_t> reply;
    model.handleFrame(frame.fill(command.serialCommand, command.serialValues()), reply);
}

// The device's state as the pages read it back through either link, by the
// panel's own decoding of the VCP values and of the serial replies. The
// rotation is left out: DDC/CI cannot read it.
struct ReadBack {
    int32_t inputSource, power, osdLock, gpoBits, gpiBits, resolution, displayMode, hTenths, vTenths, maskOn;
    bool operator==(const ReadBack&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ReadBack& r)
{
    return out << "input " << r.inputSource << " power " << r.power << " osd " << r.osdLock << " gpo " << r.gpoBits
               << " gpi " << r.gpiBits << " res " << r.resolution << " mode " << r.displayMode << " mask "
               << r.hTenths << "/" << r.vTenths << "/" << r.maskOn;
}

ReadBack readBack(LinkState& link)
{
    RecordingMessages messages;
    // A read that fails unchecked keeps these, and no device reports them.
    SettingState setting{-1, -1, -1, -1, 0};
    std::optional<GpioBits> gpio;
    DisplayState display;
    display.resolution = display.displayMode = -1;
    EXPECT_EQ(readBackSettings(link, messages, setting, gpio), ReadBackOutcome::Read);
    EXPECT_EQ(readBackDisplay(link, messages, display), ReadBackOutcome::Read);
    EXPECT_TRUE(gpio);
    EXPECT_EQ(messages.texts, QStringList{});
    const GpioBits bits = gpio.value_or(GpioBits{0xFF, 0xFF});
    return {setting.inputSource, setting.power,       setting.osdLock,  bits.outputs,     bits.inputs,
            display.resolution,  display.displayMode, display.hTenths,  display.vTenths,  display.maskMode};
}

}  // namespace

TEST(SimulatorsAgree, EachCommandLeavesTheModelInTheSameStateThroughEitherLink)
{
    for (Model model : {Model::K410, Model::K420}) {
        DeviceModel overVcp(model);
        DeviceModel overSerial(model);
        for (const Step& step : steps()) {
            SCOPED_TRACE(std::string(device::modelName(model)) + ": " + step.what);
            overVcp.writeVcp(step.command.vcpCode, step.command.vcpValue);
            sendAsFrame(overSerial, step.command);
            EXPECT_TRUE(overVcp.state() == overSerial.state());
            EXPECT_TRUE(overVcp.counters() == overSerial.counters());
        }
        EXPECT_EQ(overSerial.counters().factoryResets, 1);
        EXPECT_EQ(overSerial.counters().identifies, 1);
    }
}

namespace {

// "name=value" words over a state, as the simulators keep it.
DeviceState with(DeviceState state, std::string_view words)
{
    while (!words.empty()) {
        const std::string_view word = words.substr(0, words.find(' '));
        words.remove_prefix(std::min(words.size(), word.size() + 1));
        const size_t eq = word.find('=');
        EXPECT_EQ(device::applyStateWord(state, word.substr(0, eq), word.substr(eq + 1)), device::StateWord::Taken);
    }
    return state;
}

// What each golden frame, and its VCP write, does to a busy device. The
// start holds the other half of each wall-mode row (resolution 1, layout 2):
// the frame sets it again, the VCP write leaves it alone.
constexpr const char* kBusy =
    "input=1 power=0 osd-lock=1 rotation=2 gpo=5 gpi=3 resolution=1 mode=2 mask-h=10 mask-v=20 mask-on=1";
constexpr const char* kFactory =
    "input=0 power=1 osd-lock=0 rotation=0 gpo=0 resolution=0 mode=0 mask-h=0 mask-v=0 mask-on=0";

struct GoldenChange {
    const char* what;      // the golden row
    const char* words;     // the change both make
    const char* vcpWords;  // where the VCP write differs: H has seven bits there
    FrameOutcome outcome = FrameOutcome::Applied;
    DeviceCounters counted{};
};

const GoldenChange kGoldenChanges[] = {
    {"VGA", "input=0", ""},
    {"Component", "input=1", ""},
    {"DVI", "input=2", ""},
    {"power OFF", "power=0", ""},
    {"power ON (also Alt+P)", "power=1", ""},
    {"Factory Reset", kFactory, "", FrameOutcome::Applied, {1, 0, 0}},
    {"Auto Adjust", "", "", FrameOutcome::Applied, {0, 1, 0}},
    {"UNLOCK", "osd-lock=0", ""},
    {"LOCK", "osd-lock=1", ""},
    {"Normal", "rotation=0", ""},
    {"Rotation", "rotation=2", ""},
    {"GPO-2 checked", "gpo=2", ""},
    {"then GPO-4 checked", "gpo=10", ""},
    {"then GPO-2 unchecked", "gpo=8", ""},
    {"Identify Monitors", "", "", FrameOutcome::Applied, {0, 0, 1}},
    {"resolution 1920x1080, layout 2", "resolution=8", ""},
    {"layout 6 at resolution 1", "mode=6", ""},
    {"neither list selected", "", "", FrameOutcome::Refused},
    {"mask ON, H 25 V 30", "mask-h=25 mask-v=30 mask-on=1", ""},
    {"mask OFF, H 25 V 30", "mask-h=25 mask-v=30 mask-on=0", ""},
    {"mask ON, no layout selected", "mask-h=0 mask-v=0 mask-on=1", ""},
    {"mask OFF, H 300 V 999", "mask-h=255 mask-v=255 mask-on=0", "mask-h=127"},
    {"mask ON, H 300 V -5", "mask-h=255 mask-v=0 mask-on=1", "mask-h=127"},
};

}  // namespace

// The product's golden frames and VCP writes, taken by the simulator's own
// copy of the protocol, make the change the device is known to make.
TEST(GoldenFrames, EachCommandsFrameAndVcpWriteMakeTheirChangeInTheSimulator)
{
    const std::vector<lumivex::testing::FrameRow> golden = lumivex::testing::frameRows();
    ASSERT_EQ(golden.size(), std::size(kGoldenChanges));
    for (size_t i = 0; i < golden.size(); ++i) {
        const lumivex::testing::FrameRow& row = golden[i];
        const GoldenChange& change = kGoldenChanges[i];
        SCOPED_TRACE(row.what);
        ASSERT_EQ(row.what, change.what);
        DeviceModel overSerial;
        DeviceModel overVcp;
        overSerial.state() = overVcp.state() = with({}, kBusy);
        const DeviceState expected = with(with({}, kBusy), change.words);
        std::vector<uint8_t> reply;
        EXPECT_EQ(overSerial.handleFrame(row.frame, reply), change.outcome);
        EXPECT_TRUE(reply.empty());
        EXPECT_EQ(device::stateWords(overSerial.state()), device::stateWords(expected));
        EXPECT_EQ(overVcp.writeVcp(row.vcpCode, row.vcpValue), change.outcome == FrameOutcome::Applied);
        EXPECT_EQ(device::stateWords(overVcp.state()), device::stateWords(with(expected, change.vcpWords)));
        EXPECT_TRUE(overSerial.counters() == change.counted);
        EXPECT_TRUE(overVcp.counters() == change.counted);
    }
}

class SimulatorProcessesAgree : public ::testing::TestWithParam<const char*> {};

TEST_P(SimulatorProcessesAgree, TheSameCommandsReadBackAlikeOverDdcCiAndTheSerialLine)
{
    const std::string model = GetParam();
    setenv("ZEPTA_SIM_MODEL", model.c_str(), 1);
    DdcLibrary library({binDir() + "/libDDCHelper-sim.so"});
    ASSERT_TRUE(library.isLoaded()) << library.loadError();
    ASSERT_EQ(library.InitDDCHelper(), 0);
    MonitorTable monitors;
    enumerateMonitors(library, monitors);
    ASSERT_EQ(monitors.count, 1);
    LinkState ddc(library, monitors);
    ddc.setInterfaceMode(InterfaceMode::DdcCi);

    SimProcess sim({"--model", model});
    ASSERT_TRUE(sim.started());
    MonitorTable none;
    LinkState serial(library, none);
    ASSERT_EQ(serial.port().open(sim.slavePath().c_str(), nullptr), 0);
    serial.setInterfaceMode(InterfaceMode::Serial);
    serial.setReplyWait(lumivex::testing::kGenerousReplyWait);

    const std::vector<Step> all = steps();
    for (size_t i = 0; i < all.size(); ++i) {
        ddc.send(all[i].command);
        serial.send(all[i].command);
        if (i % 7 == 6 || i + 1 == all.size()) {
            SCOPED_TRACE(std::string("after ") + all[i].what);
            EXPECT_EQ(readBack(ddc), readBack(serial));
        }
    }
    unsetenv("ZEPTA_SIM_MODEL");
}

INSTANTIATE_TEST_SUITE_P(Models, SimulatorProcessesAgree, ::testing::Values("K410", "K420"));
