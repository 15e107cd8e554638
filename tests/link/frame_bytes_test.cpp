// Every frame the panel sends, byte for byte, with the VCP write that
// carries the same command under DDC/CI.

#include "link/channel_rules.h"
#include "link/command_table.h"
#include "frame_rows.h"
#include "scripted_port.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>

using namespace lumivex;
using lumivex::testing::frameRows;
using lumivex::testing::FrameRow;
using lumivex::testing::ScriptedPort;
using Bytes = std::vector<uint8_t>;

namespace {

struct RequestRow {
    std::string what;
    ReadRequest request;
    Bytes frame;
    uint8_t replyLength;
};

}  // namespace

TEST(FrameBytes, EveryCommandGoesOutAsItsExactFrameOneByteAtATime)
{
    std::set<CommandId> covered;
    for (const FrameRow& row : frameRows()) {
        SCOPED_TRACE(row.what);
        ScriptedPort port;
        SerialFrame frame;
        sendFrame(port, frame, row.command.serialCommand, row.command.serialValues());
        EXPECT_EQ(port.writes, row.frame) << "one write call per byte, in order";
        EXPECT_EQ(std::accumulate(row.frame.begin(), row.frame.end(), 0u) % 256, 0u);
        EXPECT_EQ(row.frame.size(), commandRow(row.command.id).frameLength);
        EXPECT_EQ(row.command.vcpCode, row.vcpCode);
        EXPECT_EQ(row.command.vcpValue, row.vcpValue);
        covered.insert(row.command.id);
    }
    EXPECT_EQ(covered.size(), kCommandTable.size()) << "every row of the command table has a frame here";
}

TEST(FrameBytes, ReadRequestsAreFourBytesWithValueZero)
{
    const RequestRow rows[] = {
        {"Setting read-back", requests::kSettings, {0x04, 0x04, 0x00, 0xF8}, 9},
        {"Display read-back", requests::kDisplay, {0x04, 0x03, 0x00, 0xF9}, 8},
        {"model query", requests::kModel, {0x04, 0x1A, 0x00, 0xE2}, 4},
    };
    for (const RequestRow& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedPort port;
        SerialFrame frame;
        ReceiveBuffer buffer;
        requestAndScan(port, frame, buffer, row.request, std::chrono::milliseconds(0));
        EXPECT_EQ(port.writes, row.frame);
        EXPECT_EQ(row.request.replyLength, row.replyLength);
    }
}

TEST(FrameBytes, TheTransmitFrameHoldsSevenBytesAndKeepsWhatAShorterFrameDoesNotFill)
{
    SerialFrame frame;
    const Bytes mask{0x00, 0x19, 0x1E, 0x01};
    const auto sent7 = frame.fill(24, mask);
    EXPECT_EQ(Bytes(sent7.begin(), sent7.end()), (Bytes{0x07, 0x18, 0x00, 0x19, 0x1E, 0x01, 0xA9}));
    const uint8_t dvi = 2;
    const auto sent4 = frame.fill(27, std::span<const uint8_t>(&dvi, 1));
    EXPECT_EQ(Bytes(sent4.begin(), sent4.end()), (Bytes{0x04, 0x1B, 0x02, 0xDF}));
    EXPECT_EQ(Bytes(frame.bytes.begin() + 4, frame.bytes.end()), (Bytes{0x1E, 0x01, 0xA9}));
    const Bytes tooMany(5, 0);
    EXPECT_TRUE(frame.fill(24, tooMany).empty());
}

TEST(FrameBytes, ChecksumNegatesTheSum)
{
    EXPECT_EQ(frameChecksum(Bytes{0x04, 0x1A, 0x00}), 0xE2);  // sum 0x1E
    EXPECT_EQ(frameChecksum(Bytes{0x04, 0x1B, 0x02}), 0xDF);  // sum 0x21, all four 0x100
    EXPECT_EQ(frameChecksum(Bytes{0x80, 0x80}), 0x00);        // the sum wraps to 0
    EXPECT_EQ(frameChecksum(Bytes{}), 0x00);
}
