#include "sim/device/device_model.h"
#include "sim/device/serial_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace lumivex::device;
using Bytes = std::vector<uint8_t>;

namespace {

// A frame as the panel sends it: length, command, values, balancing byte.
Bytes frame(uint8_t command, Bytes values)
{
    Bytes bytes(values.size() + 3);
    bytes[0] = uint8_t(bytes.size());
    bytes[1] = command;
    std::copy(values.begin(), values.end(), bytes.begin() + 2);
    bytes.back() = balancingChecksum(std::span<const uint8_t>(bytes).first(bytes.size() - 1));
    return bytes;
}

uint8_t byteSum(const Bytes& bytes)
{
    return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

}  // namespace

TEST(SerialCommands, ReadRequestsAreAnsweredWithTheStateAndABalancedChecksum)
{
    DeviceModel k420(Model::K420);
    DeviceState& s = k420.state();
    s.inputSource = 2, s.powerOn = false, s.osdLock = 1, s.rotation = 2, s.gpiBits = 0x9, s.gpoBits = 0x6;
    s.resolution = 8, s.displayMode = 4, s.maskH = 25, s.maskV = 30, s.maskOn = true;

    struct Case {
        uint8_t request;
        Bytes reply;  // without its checksum
    };
    const Case cases[] = {
        {serial::kReadSettings, {9, 4, 2, 0, 1, 2, 0x9, 0x6}},
        {serial::kReadDisplay, {8, 3, 8, 4, 25, 30, 1}},
        {serial::kReadModel, {4, 26, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "request " << int(c.request));
        Bytes reply;
        EXPECT_EQ(k420.handleFrame(frame(c.request, {0}), reply), FrameOutcome::Answered);
        ASSERT_EQ(reply.size(), c.reply.size() + 1);
        EXPECT_EQ(Bytes(reply.begin(), reply.end() - 1), c.reply);
        EXPECT_EQ(byteSum(reply), 0) << "reply bytes must sum to zero";
    }
    Bytes reply;
    DeviceModel k410(Model::K410);
    k410.handleFrame(frame(serial::kReadModel, {0}), reply);
    EXPECT_EQ(reply, (Bytes{4, 26, 0, 0xE2}));
}

TEST(SerialCommands, SettingFramesChangeWhatTheReadRequestsReport)
{
    struct Case {
        const char* what;
        Bytes frame;
        uint8_t request;
        Bytes expectedValues;  // the reply's values after the frame
    };
    const Case cases[] = {
        {"input DVI", frame(27, {2}), 4, {2, 1, 0, 0, 0, 0}},
        {"power off", frame(28, {0}), 4, {0, 0, 0, 0, 0, 0}},
        {"OSD lock", frame(2, {1}), 4, {0, 1, 1, 0, 0, 0}},
        {"rotation", frame(2, {3}), 4, {0, 1, 0, 2, 0, 0}},
        {"GPO, high bits ignored", frame(5, {0xFA}), 4, {0, 1, 0, 0, 0, 0x0A}},
        {"resolution and layout", frame(25, {7, 6}), 3, {7, 6, 0, 0, 0}},
        {"mask with H beyond seven bits", frame(24, {0, 200, 30, 1}), 3, {0, 0, 200, 30, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceModel model(Model::K410);
        Bytes reply;
        ASSERT_EQ(model.handleFrame(c.frame, reply), FrameOutcome::Applied);
        EXPECT_TRUE(reply.empty()) << "setting frames are not answered";
        ASSERT_EQ(model.handleFrame(frame(c.request, {0}), reply), FrameOutcome::Answered);
        EXPECT_EQ(Bytes(reply.begin() + 2, reply.end() - 1), c.expectedValues);
    }
}

TEST(SerialCommands, MaintenanceAndIdentifyAreCounted)
{
    DeviceModel model;
    model.state().inputSource = 2;
    Bytes reply;
    EXPECT_EQ(model.handleFrame(Bytes{0x04, 0x01, 0x00, 0xFB}, reply), FrameOutcome::Applied);  // auto adjust
    EXPECT_EQ(model.handleFrame(Bytes{0x05, 0x02, 0x04, 0x00, 0xF5}, reply), FrameOutcome::Applied);
    EXPECT_EQ(model.handleFrame(Bytes{0x04, 0x01, 0x01, 0xFA}, reply), FrameOutcome::Applied);  // factory reset
    EXPECT_EQ(model.counters().autoAdjusts, 1);
    EXPECT_EQ(model.counters().identifies, 1);
    EXPECT_EQ(model.counters().factoryResets, 1);
    EXPECT_EQ(model.state().inputSource, 0);
    EXPECT_TRUE(reply.empty());
}

TEST(SerialCommands, FaultyOrRefusedFramesChangeNothing)
{
    struct Case {
        const char* what;
        Bytes bytes;
        FrameOutcome outcome;
    };
    Bytes corrupted = frame(27, {2});
    corrupted[3] ^= 0x01;
    const Case cases[] = {
        {"checksum off by one", corrupted, FrameOutcome::BadChecksum},
        {"length byte disagrees with the frame", Bytes{5, 27, 2, 0xDF}, FrameOutcome::Unknown},
        {"too short", Bytes{3, 0xFD, 0}, FrameOutcome::Unknown},
        {"unknown command", frame(9, {1}), FrameOutcome::Unknown},
        {"known command, wrong length", frame(27, {2, 0, 0, 0}), FrameOutcome::Unknown},
        {"input source 3", frame(27, {3}), FrameOutcome::Refused},
        {"power 2", frame(28, {2}), FrameOutcome::Refused},
        {"maintenance 2", frame(1, {2}), FrameOutcome::Refused},
        {"OSD mode 4", frame(2, {4}), FrameOutcome::Refused},
        {"identify with other values", frame(2, {4, 1}), FrameOutcome::Refused},
        {"resolution 9", frame(25, {9, 0}), FrameOutcome::Refused},
        {"K410 layout 7", frame(25, {0, 7}), FrameOutcome::Refused},
        {"no selection (0xFF)", frame(25, {0xFF, 0xFF}), FrameOutcome::Refused},
        {"mask on/off byte 2", frame(24, {0, 10, 10, 2}), FrameOutcome::Refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeviceModel model(Model::K410);
        model.state().resolution = 3;
        const DeviceState before = model.state();
        Bytes reply;
        EXPECT_EQ(model.handleFrame(c.bytes, reply), c.outcome);
        EXPECT_TRUE(reply.empty());
        EXPECT_EQ(model.state().inputSource, before.inputSource);
        EXPECT_EQ(model.state().powerOn, before.powerOn);
        EXPECT_EQ(model.state().osdLock, before.osdLock);
        EXPECT_EQ(model.state().resolution, before.resolution);
        EXPECT_EQ(model.state().displayMode, before.displayMode);
        EXPECT_EQ(model.state().maskOn, before.maskOn);
        EXPECT_EQ(model.counters().factoryResets + model.counters().autoAdjusts + model.counters().identifies, 0);
    }
}

TEST(SerialCommands, FiveLayoutsOnTheK420)
{
    DeviceModel k420(Model::K420);
    Bytes reply;
    EXPECT_EQ(k420.handleFrame(frame(25, {1, 4}), reply), FrameOutcome::Applied);
    EXPECT_EQ(k420.handleFrame(frame(25, {1, 5}), reply), FrameOutcome::Refused);
    EXPECT_EQ(k420.state().displayMode, 4);
}

TEST(SerialCommands, AMaskHBeyondTheVcpFieldReadsAsItsLargestValue)
{
    DeviceModel model;
    Bytes reply;
    ASSERT_EQ(model.handleFrame(frame(24, {0, 200, 30, 0}), reply), FrameOutcome::Applied);
    uint32_t current = 0, maximum = 0;
    ASSERT_TRUE(model.readVcp(vcp::kBezelMask, current, maximum));
    EXPECT_EQ(current, 127u * 256 + 30) << "never a wrapped H, never the ON bit";
}
