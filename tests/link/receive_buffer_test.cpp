#include "link/receive_buffer.h"

#include <gtest/gtest.h>

#include <vector>

using lumivex::ReceiveBuffer;
using Bytes = std::vector<uint8_t>;

TEST(ReceiveBuffer, BytesAreStoredAsSignedValues)
{
    const struct {
        uint8_t byte;
        int32_t stored;
    } cases[] = {{0xF8, -8}, {0x80, -128}, {0xFF, -1}, {0x7F, 127}, {0x00, 0}, {0x09, 9}};
    ReceiveBuffer buffer;
    for (const auto& c : cases)
        buffer.append(c.byte);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(buffer.entry(int(i)), cases[i].stored);
    }
    EXPECT_EQ(buffer.writePosition(), std::size(cases));
}

TEST(ReceiveBuffer, TheWritePositionWrapsAfter256Bytes)
{
    ReceiveBuffer buffer;
    for (int i = 0; i < 256; ++i)
        buffer.append(static_cast<uint8_t>(i < 128 ? i + 1 : 0x11));
    EXPECT_EQ(buffer.writePosition(), 0);
    EXPECT_EQ(buffer.entry(0), 1);
    EXPECT_EQ(buffer.entry(255), 0x11);
    buffer.append(0x42);
    EXPECT_EQ(buffer.entry(0), 0x42) << "the 257th byte overwrites entry 0";
    EXPECT_EQ(buffer.entry(1), 2);
    EXPECT_EQ(buffer.entry(256), 0) << "entries past 255 never receive bytes";
    EXPECT_EQ(buffer.writePosition(), 1);
}

// A reply counts only when its header is in 0..500, all of its bytes
// arrived since the last reset (none past entry 255) and they sum to zero;
// the scan passes over any candidate that fails and takes the next.
TEST(ReceiveBuffer, TheScanTakesTheFirstWholeBalancedReply)
{
    const Bytes settings{0x09, 0x04, 0x02, 0x01, 0x00, 0x00, 0x05, 0x00, 0xEB};
    const auto join = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    struct Row {
        const char* name;
        Bytes bytes;  // after `before`, received and then reset
        std::optional<int> at;
        lumivex::ReplyFault fault;
        int arrived = 0;
        int sum = 0;
        Bytes before = {};
    };
    const Bytes badSum = join({Bytes(settings.begin(), settings.end() - 1), {0xEC}});
    const Row rows[] = {
        {"a whole reply", settings, 0, lumivex::ReplyFault::None},
        {"after noise and a wrong command", join({{0xAA, 0x09, 0x03, 0x08, 0x04}, settings}), 5,
         lumivex::ReplyFault::None},
        {"nothing", {}, std::nullopt, lumivex::ReplyFault::NoHeader},
        {"a length read as a signed byte", {0x89, 0x04}, std::nullopt, lumivex::ReplyFault::NoHeader},
        {"truncated", Bytes(settings.begin(), settings.begin() + 4), std::nullopt,
         lumivex::ReplyFault::Incomplete, 4},
        {"a bad checksum", join({Bytes(settings.begin(), settings.end() - 1), {0xEC}}), std::nullopt,
         lumivex::ReplyFault::BadChecksum, 0, 0x01},
        {"a damaged one, then a whole one", join({Bytes(settings.begin(), settings.begin() + 5), settings}), 5,
         lumivex::ReplyFault::None},
        {"a header in the last bytes before the wrap", join({Bytes(250, 0x55), settings}), std::nullopt,
         lumivex::ReplyFault::Incomplete, 6},
        {"the first passed over tells why: a bad sum, then a truncated one", join({badSum, {0x09, 0x04}}),
         std::nullopt, lumivex::ReplyFault::BadChecksum, 0, 0x01},
        {"two bad sums: the first one's", join({badSum, Bytes(settings.begin(), settings.end() - 1), {0xEE}}),
         std::nullopt, lumivex::ReplyFault::BadChecksum, 0, 0x01},
        {"a header after a reset, over an old whole reply", {0x09, 0x04}, std::nullopt,
         lumivex::ReplyFault::Incomplete, 2, 0, settings},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ReceiveBuffer buffer;
        buffer.append(row.before);
        buffer.resetWritePosition();
        buffer.append(row.bytes);
        const lumivex::ReplyScan scan = buffer.scanForReply(9, 4);
        EXPECT_EQ(scan.position, row.at);
        EXPECT_EQ(scan.fault, row.fault);
        EXPECT_EQ(scan.arrived, row.arrived);
        EXPECT_EQ(scan.sum, row.sum);
    }
}

// Entries set by hand are not received bytes, and a header is looked for
// at 0..500 only.
TEST(ReceiveBuffer, OnlyAppendedBytesAndPositionsUpTo500Count)
{
    for (const int position : {0, 255, 500, 501}) {
        SCOPED_TRACE(position);
        ReceiveBuffer buffer;
        buffer.setEntry(position, 9);
        buffer.setEntry(position + 1, 4);
        const lumivex::ReplyScan scan = buffer.scanForReply(9, 4);
        EXPECT_FALSE(scan.position);
        EXPECT_EQ(scan.fault, position <= 500 ? lumivex::ReplyFault::Incomplete : lumivex::ReplyFault::NoHeader);
    }
}

TEST(ReceiveBuffer, AfterAResetAnOldReplyIsNeverFoundAgain)
{
    ReceiveBuffer buffer;
    buffer.append(Bytes{0x01, 0x02, 0x09, 0x04, 0x02, 0x01, 0x00, 0x00, 0x05, 0x00, 0xEB});
    buffer.setEntry(300, 77);
    ASSERT_EQ(buffer.scanForReply(9, 4).position, 2);
    buffer.resetWritePosition();
    EXPECT_EQ(buffer.writePosition(), 0);
    EXPECT_FALSE(buffer.scanForReply(9, 4).position);
    for (int i = 0; i < ReceiveBuffer::kWritableEntries; ++i)
        ASSERT_EQ(buffer.entry(i), 0) << i;
    EXPECT_EQ(buffer.entry(300), 77) << "only the entries bytes reach are cleared";
    // Fewer new bytes than the old reply spanned still leave no trace of it.
    buffer.append(Bytes{0x09});
    EXPECT_FALSE(buffer.scanForReply(9, 4).position);
}

TEST(ReceiveBuffer, EntriesOutsideTheBufferReadAsZeroAndAreNeverWritten)
{
    ReceiveBuffer buffer;
    buffer.setEntry(-1, 5);
    buffer.setEntry(ReceiveBuffer::kEntries, 5);
    EXPECT_EQ(buffer.entry(-1), 0);
    EXPECT_EQ(buffer.entry(ReceiveBuffer::kEntries), 0);
    buffer.setEntry(ReceiveBuffer::kEntries - 1, 5);
    EXPECT_EQ(buffer.entry(ReceiveBuffer::kEntries - 1), 5);
}
