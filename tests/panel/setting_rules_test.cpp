// The Setting page's read-back under both links and the checks before
// "Auto Adjust".

#include "link/link_state.h"
#include "link/ddc/monitor_table.h"
#include "recording_ddc.h"
#include "recording_messages.h"
#include "panel/setting_rules.h"

#include <gtest/gtest.h>

#include <limits>

using namespace lumivex;
using lumivex::testing::RecordingDdc;
using lumivex::testing::RecordingMessages;

namespace {

struct Link {
    RecordingDdc ddc;
    MonitorTable monitors;
    LinkState link{ddc, monitors};
    RecordingMessages messages;

    // Serial with the port closed: the reply is what the receive buffer holds.
    explicit Link(InterfaceMode mode)
    {
        link.setInterfaceMode(mode);
    }
};

SettingState earlier()
{
    SettingState state;
    state.inputSource = 1;
    state.power = 1;
    state.osdLock = 1;
    state.rotation = 1;
    state.gpoOutput = 0x06;
    return state;
}

}  // namespace

TEST(SettingRules, DdcReadBack)
{
    const struct {
        const char* name;
        uint32_t power;
        bool inputFails;
        int32_t expectedPower;
    } cases[] = {
        {"power 1 is on", 1, false, 1},
        {"power 4 is stand-by, off", 4, false, 0},
        {"power 0 is off", 0, false, 0},
        {"power 2 keeps what was shown", 2, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Link l(InterfaceMode::DdcCi);
        l.ddc.values = {{0x60, 2}, {0xD6, c.power}, {0xFC, 0}, {0xB3, 0xA5}};
        SettingState state = earlier();
        std::optional<GpioBits> gpio;
        EXPECT_EQ(readBackSettings(l.link, l.messages, state, gpio), ReadBackOutcome::Read);
        EXPECT_EQ(state.inputSource, 2);
        EXPECT_EQ(state.power, c.expectedPower);
        EXPECT_EQ(state.osdLock, 0);
        EXPECT_EQ(state.rotation, 1) << "not read under DDC/CI";
        ASSERT_TRUE(gpio);
        EXPECT_EQ(gpio->inputs, 0x0A);
        EXPECT_EQ(gpio->outputs, 0x05);
        EXPECT_EQ(state.gpoOutput, 0x06) << "the byte the page sends is its own";
    }
    Link failing(InterfaceMode::DdcCi);
    failing.ddc.failing = {0x60};
    failing.link.receiveBuffer().setEntry(0, 9);
    SettingState state = earlier();
    std::optional<GpioBits> gpio;
    EXPECT_EQ(readBackSettings(failing.link, failing.messages, state, gpio), ReadBackOutcome::DdcReadFailed);
    EXPECT_EQ(failing.messages.texts, QStringList{"Check DDC port fail"});
    EXPECT_EQ(std::tie(state.inputSource, state.power, state.osdLock, state.rotation), std::make_tuple(0, 0, 0, 0));
    EXPECT_FALSE(gpio);
    EXPECT_EQ(failing.ddc.reads.size(), 1u) << "the failed guard ends the read-back";
}

TEST(SettingRules, SerialReadBack)
{
    const struct {
        const char* name;
        int at;  // where the reply lies in the receive buffer
        std::vector<int32_t> reply;
        ReadBackOutcome outcome;
        int32_t input, power, osd, rotation;
        uint8_t gpi, gpo;
        int32_t shownRotation = 1;  // the page's choice before the read-back
    } cases[] = {
        {"reply", 0, {9, 4, 2, 1, 1, 2, 0x05, 0x0A, 0}, ReadBackOutcome::Read, 2, 1, 1, 1, 0x05, 0x0A},
        {"stand-by and normal", 3, {9, 4, 0, 4, 0, 0, 0, 0, 0}, ReadBackOutcome::Read, 0, 0, 0, 0, 0, 0},
        {"garbage in every field", 0, {9, 4, -56, -112, -123, -127, -16, -13, -1}, ReadBackOutcome::Read, -56, 1,
         -123, 1, 0x00, 0x03},
        {"rotated, from normal", 0, {9, 4, 2, 1, 1, 2, 0, 0, 0}, ReadBackOutcome::Read, 2, 1, 1, 1, 0, 0, 0},
        {"rotation byte 1 keeps the choice", 0, {9, 4, 2, 1, 1, 1, 0, 0, 0}, ReadBackOutcome::Read, 2, 1, 1, 0, 0, 0,
         0},
        {"a reply that would run past entry 255", 250, {9, 4, 2, 1, 1, 2, 0, 0, 0}, ReadBackOutcome::NoReply, 0, 0,
         0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Link l(InterfaceMode::Serial);
        // Received as bytes after c.at others, the last one balancing the sum.
        std::vector<uint8_t> bytes(size_t(c.at), 0x55);
        int sum = 0;
        for (size_t i = 0; i + 1 < c.reply.size(); ++i) {
            bytes.push_back(uint8_t(c.reply[i]));
            sum += c.reply[i];
        }
        bytes.push_back(uint8_t(-sum));
        l.link.receiveBuffer().append(bytes);
        SettingState state = earlier();
        state.rotation = c.shownRotation;
        std::optional<GpioBits> gpio;
        EXPECT_EQ(readBackSettings(l.link, l.messages, state, gpio), c.outcome);
        EXPECT_EQ(std::tie(state.inputSource, state.power, state.osdLock, state.rotation),
                  std::make_tuple(c.input, c.power, c.osd, c.rotation));
        EXPECT_EQ(l.messages.texts,
                  c.outcome == ReadBackOutcome::Read ? QStringList{} : QStringList{"Read RS232 Data Fail"});
        if (c.outcome == ReadBackOutcome::Read) {
            ASSERT_TRUE(gpio);
            EXPECT_EQ(gpio->inputs, c.gpi);
            EXPECT_EQ(gpio->outputs, c.gpo);
        }
        EXPECT_EQ(l.link.receiveBuffer().writePosition(), 0);
    }
}

TEST(SettingRules, OnlyTheK420LacksInputsGpioAndAutoAdjust)
{
    for (const int32_t model : {std::numeric_limits<int32_t>::min(), -1, 0, 2, 255, std::numeric_limits<int32_t>::max()}) {
        const ModelFeatures all = modelFeatures(model);
        EXPECT_TRUE(all.analogInputs && all.gpio && all.autoAdjust) << model;
    }
    const ModelFeatures k420 = modelFeatures(1);
    EXPECT_FALSE(k420.analogInputs || k420.gpio || k420.autoAdjust);
}

TEST(SettingRules, AutoAdjustChecks)
{
    const struct {
        const char* name;
        InterfaceMode mode;
        std::optional<uint32_t> layout;  // 0xB1 as read; none when the read fails
        int32_t input;
        int selection;  // the Display page's layout list
        AutoAdjustCheck check;
    } cases[] = {
        {"DDC/CI 1x1, any input", InterfaceMode::DdcCi, 255, 2, -1, AutoAdjustCheck::Ask},
        {"DDC/CI wall, not VGA", InterfaceMode::DdcCi, 256, 1, 0, AutoAdjustCheck::NotVga},
        {"DDC/CI wall, VGA", InterfaceMode::DdcCi, 0x102, 0, 3, AutoAdjustCheck::Ask},
        {"DDC/CI layout unread, not VGA", InterfaceMode::DdcCi, std::nullopt, 1, 0, AutoAdjustCheck::NotVga},
        {"DDC/CI layout unread, VGA", InterfaceMode::DdcCi, std::nullopt, 0, 0, AutoAdjustCheck::Ask},
        {"serial, not VGA", InterfaceMode::Serial, 0, 2, 0, AutoAdjustCheck::NotVga},
        {"serial, VGA and 1x1", InterfaceMode::Serial, 0, 0, 0, AutoAdjustCheck::Ask},
        {"serial, VGA and a wall", InterfaceMode::Serial, 0, 0, 2, AutoAdjustCheck::NotOneByOne},
        {"serial, Display never shown", InterfaceMode::Serial, 0, 0, -1, AutoAdjustCheck::NotOneByOne},
        // An input the device reported outside the named ones is not VGA.
        {"serial, input -1", InterfaceMode::Serial, 0, -1, 0, AutoAdjustCheck::NotVga},
        {"serial, input 3", InterfaceMode::Serial, 0, 3, 0, AutoAdjustCheck::NotVga},
        {"DDC/CI wall, input -1", InterfaceMode::DdcCi, 256, -1, 0, AutoAdjustCheck::NotVga},
        {"no link", InterfaceMode::None, 0, 0, 0, AutoAdjustCheck::NoLink},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Link l(c.mode);
        if (c.layout)
            l.ddc.values[0xB1] = *c.layout;
        else
            l.ddc.failing.insert(0xB1);
        EXPECT_EQ(checkAutoAdjust(l.link, c.input, c.selection), c.check);
    }
    EXPECT_EQ(autoAdjustMessage(AutoAdjustCheck::NotVga), "Check input is VGA(1x1Mode) signal");
    EXPECT_EQ(autoAdjustMessage(AutoAdjustCheck::NotOneByOne), "Check 1x1 mode");
    EXPECT_EQ(autoAdjustMessage(AutoAdjustCheck::Ask), "Screen will auto adjust");
}
