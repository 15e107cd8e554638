#include "sim/device/device_model.h"

#include <gtest/gtest.h>

using namespace lumivex::device;

namespace {

uint32_t read(const DeviceModel& model, uint8_t code)
{
    uint32_t current = 0xDEAD, maximum = 0;
    EXPECT_TRUE(model.readVcp(code, current, maximum)) << "VCP " << int(code);
    return current;
}

}  // namespace

TEST(DeviceModel, AnswersItsModelCode)
{
    EXPECT_EQ(read(DeviceModel(Model::K410), vcp::kModel), 0xF800u);
    EXPECT_EQ(read(DeviceModel(Model::K420), vcp::kModel), 0xF801u);
    EXPECT_EQ(parseModel("k420"), Model::K420);
    EXPECT_FALSE(parseModel("K430").has_value());
}

TEST(DeviceModel, WritesChangeWhatReadsReport)
{
    struct Case {
        uint8_t code;
        uint32_t written;
        uint32_t readBack;
    };
    const Case cases[] = {
        {vcp::kInputSource, 2, 2},
        {vcp::kResolution, 8, 8},
        {vcp::kDisplayMode, 6, 6},
        {vcp::kBezelMask, 25 * 256 + 30 + 0x8000, 25 * 256 + 30 + 0x8000},
        {vcp::kBezelMask, 25 * 256 + 30, 25 * 256 + 30},
        {vcp::kOsdMode, 1, 1},
        {vcp::kPower, 0, kPowerOffReading},
        {vcp::kPower, 1, kPowerOnReading},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "VCP 0x" << std::hex << int(c.code) << " = " << c.written);
        DeviceModel model(Model::K410);
        ASSERT_TRUE(model.writeVcp(c.code, c.written));
        EXPECT_EQ(read(model, c.code), c.readBack);
    }
}

TEST(DeviceModel, GpioByteCarriesOutputsLowAndInputsHigh)
{
    DeviceModel model;
    model.state().gpiBits = 0x5;
    ASSERT_TRUE(model.writeVcp(vcp::kGpio, 0xFA));  // only the four outputs are writable
    EXPECT_EQ(read(model, vcp::kGpio), 0x5Au);
    EXPECT_EQ(model.state().gpoBits, 0x0A);
}

TEST(DeviceModel, RefusesValuesOutsideItsRangesAndKeepsState)
{
    DeviceModel k420(Model::K420);
    ASSERT_TRUE(k420.writeVcp(vcp::kDisplayMode, 4));
    EXPECT_FALSE(k420.writeVcp(vcp::kDisplayMode, 5));  // K420 has five layouts
    EXPECT_EQ(read(k420, vcp::kDisplayMode), 4u);
    EXPECT_FALSE(k420.writeVcp(vcp::kResolution, 9));
    EXPECT_FALSE(k420.writeVcp(vcp::kInputSource, 3));
    EXPECT_FALSE(k420.writeVcp(0x10, 1));
    uint32_t current = 7, maximum = 7;
    EXPECT_FALSE(k420.readVcp(vcp::kFactoryReset, current, maximum));  // write-only
    EXPECT_EQ(current, 7u);
}

TEST(DeviceModel, MaintenanceCommandsAreCountedAndResetKeepsWiring)
{
    DeviceModel model;
    model.state().gpiBits = 0x3;
    ASSERT_TRUE(model.writeVcp(vcp::kInputSource, 2));
    ASSERT_TRUE(model.writeVcp(vcp::kFactoryReset, 1));
    ASSERT_TRUE(model.writeVcp(vcp::kAutoAdjust, 1));
    ASSERT_TRUE(model.writeVcp(vcp::kIdentify, 0));
    EXPECT_EQ(read(model, vcp::kInputSource), 0u);
    EXPECT_EQ(model.state().gpiBits, 0x3);
    EXPECT_EQ(model.counters().factoryResets, 1);
    EXPECT_EQ(model.counters().autoAdjusts, 1);
    EXPECT_EQ(model.counters().identifies, 1);
}

TEST(DeviceModel, RotationCommandsLeaveTheOsdLockAlone)
{
    DeviceModel model;
    ASSERT_TRUE(model.writeVcp(vcp::kOsdMode, 1));
    ASSERT_TRUE(model.writeVcp(vcp::kOsdMode, 3));
    EXPECT_EQ(model.state().rotation, 2);
    EXPECT_EQ(read(model, vcp::kOsdMode), 1u);
    ASSERT_TRUE(model.writeVcp(vcp::kOsdMode, 2));
    EXPECT_EQ(model.state().rotation, 0);
}
