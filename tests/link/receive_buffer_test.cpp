#include "receive_buffer.h"

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

TEST(ReceiveBuffer, HeadersAreFoundFromPosition0To500Only)
{
    const struct {
        int position;
        bool found;
    } cases[] = {{0, true}, {1, true}, {255, true}, {499, true}, {500, true}, {501, false}, {998, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        ReceiveBuffer buffer;
        buffer.setEntry(c.position, 9);
        buffer.setEntry(c.position + 1, 4);
        const auto at = buffer.findHeader(9, 4);
        EXPECT_EQ(at, c.found ? std::optional<int>(c.position) : std::nullopt);
    }
}

TEST(ReceiveBuffer, TheFirstMatchingHeaderWinsAndBothBytesMustMatch)
{
    ReceiveBuffer buffer;
    // 9 then 3: a length without its command; 8, 4: the other way round.
    buffer.append(Bytes{0xF8, 0x09, 0x03, 0x08, 0x04, 0x09, 0x04, 0x01, 0x09, 0x04, 0x02});
    EXPECT_EQ(buffer.findHeader(9, 4), 5);
    EXPECT_EQ(buffer.findHeader(8, 4), 3);
    EXPECT_FALSE(buffer.findHeader(4, 26).has_value());
    // A reply length read as a signed byte never matches its unsigned twin.
    ReceiveBuffer high;
    high.append(Bytes{0x89, 0x04});
    EXPECT_FALSE(high.findHeader(0x89, 4).has_value());
}

TEST(ReceiveBuffer, AReplyAfterStrayBytesIsFoundByItsHeader)
{
    ReceiveBuffer buffer;
    const Bytes stray{0xAA, 0x04, 0x00, 0xF8, 0x09};
    buffer.append(stray);
    buffer.append(Bytes{0x08, 0x03, 0x07, 0x06, 0x19, 0x1E, 0x01, 0xA9});
    ASSERT_EQ(buffer.findHeader(8, 3), 5);
    EXPECT_EQ(buffer.entry(5 + 4), 25);
}

TEST(ReceiveBuffer, AfterAResetAnOldReplyIsNeverFoundAgain)
{
    ReceiveBuffer buffer;
    buffer.append(Bytes{0x01, 0x02, 0x09, 0x04, 0x02, 0x01, 0x00, 0x00, 0x05, 0x00, 0xE8});
    buffer.setEntry(300, 77);
    ASSERT_EQ(buffer.findHeader(9, 4), 2);
    buffer.resetWritePosition();
    EXPECT_EQ(buffer.writePosition(), 0);
    EXPECT_FALSE(buffer.findHeader(9, 4).has_value());
    for (int i = 0; i < ReceiveBuffer::kWritableEntries; ++i)
        ASSERT_EQ(buffer.entry(i), 0) << i;
    EXPECT_EQ(buffer.entry(300), 77) << "only the entries bytes reach are cleared";
    // Fewer new bytes than the old reply spanned still leave no trace of it.
    buffer.append(Bytes{0x09});
    EXPECT_FALSE(buffer.findHeader(9, 4).has_value());
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
