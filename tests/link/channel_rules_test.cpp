// The drain and the request-and-scan exchange over a scripted port.

#include "channel_rules.h"
#include "scripted_port.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace lumivex;
using lumivex::testing::ScriptedPort;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes counting(size_t count)
{
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), uint8_t(1));
    return bytes;
}

}  // namespace

TEST(Drain, ReadsAgainOnlyWhileAReadFillsAll500)
{
    struct Case {
        const char* what;
        size_t arriving;
        std::deque<uint32_t> limits;
        std::vector<uint32_t> expectedReads;  // bytes each read returned
    };
    const Case cases[] = {
        {"nothing", 0, {}, {0}},
        {"a short reply", 9, {}, {9}},
        {"exactly 500", 500, {}, {500, 0}},
        {"a burst of 1200", 1200, {}, {500, 500, 200}},
        {"a port that hands out less than asked stops the drain", 600, {300}, {300}},
        {"1000 then nothing", 1000, {}, {500, 500, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPort port;
        port.arrive(counting(c.arriving));
        port.readLimits = c.limits;
        ReceiveBuffer buffer;
        const size_t total = drain(port, buffer);
        std::vector<uint32_t> got;
        for (const auto& read : port.reads) {
            EXPECT_EQ(read.asked, kDrainChunk);
            got.push_back(read.got);
        }
        EXPECT_EQ(got, c.expectedReads);
        EXPECT_EQ(total, std::accumulate(got.begin(), got.end(), size_t(0)));
        EXPECT_EQ(buffer.writePosition(), total % 256);
    }
}

TEST(Drain, BytesLandInOrderAcrossReadsAndWraps)
{
    ScriptedPort port;
    const Bytes burst = counting(700);
    port.arrive(burst);
    ReceiveBuffer buffer;
    ASSERT_EQ(drain(port, buffer), 700u);
    // 700 bytes: entries hold the last pass over 0..255 (bytes 512..699
    // in entries 0..187, bytes 256..511 above that).
    for (int i = 0; i < 256; ++i) {
        const size_t source = i < 700 - 512 ? 512 + size_t(i) : 256 + size_t(i);
        ASSERT_EQ(buffer.entry(i), int8_t(burst[source])) << "entry " << i;
    }
}

TEST(Drain, AFailedReadCountsNothing)
{
    class FailingPort final : public BytePort {
    public:
        void writeByte(uint8_t) override {}
        uint32_t readAvailable(uint8_t*, uint32_t) override
        {
            ++calls;
            return 0;
        }
        int calls = 0;
    } port;
    ReceiveBuffer buffer;
    EXPECT_EQ(drain(port, buffer), 0u);
    EXPECT_EQ(port.calls, 1);
    EXPECT_EQ(buffer.writePosition(), 0);
}

TEST(RequestAndScan, TheRequestGoesOutBeforeTheWaitAndTheDrainAfterIt)
{
    ScriptedPort port;
    SerialFrame frame;
    ReceiveBuffer buffer;
    size_t writesAtWait = 0;
    size_t readsAtWait = 99;
    const auto at = requestAndScan(port, frame, buffer, requests::kSettings, [&] {
        writesAtWait = port.writes.size();
        readsAtWait = port.reads.size();
        port.arrive({0x09, 0x04, 0x02, 0x01, 0x00, 0x00, 0x05, 0x00, 0xE8});
    });
    EXPECT_EQ(writesAtWait, 4u);
    EXPECT_EQ(readsAtWait, 0u);
    ASSERT_EQ(at, 0);
    EXPECT_EQ(buffer.writePosition(), 9) << "the caller decides about resetting";
}

TEST(RequestAndScan, FindsTheReplyBehindStrayBytesAndOlderTraffic)
{
    struct Case {
        const char* what;
        Bytes before;  // in the buffer from earlier drains
        Bytes during;  // arriving during the wait
        std::optional<int> expected;
    };
    const Bytes reply{0x08, 0x03, 0x07, 0x06, 0x19, 0x1E, 0x01, 0x91};
    const Bytes straysThenReply{0xF8, 0x80, 0x03, 0x08, 0x03, 0x07, 0x06, 0x19, 0x1E, 0x01, 0x91};
    const Case cases[] = {
        {"the reply alone", {}, reply, 0},
        {"stray bytes first", {}, straysThenReply, 3},
        {"after 40 bytes of older traffic", Bytes(40, 0x55), reply, 40},
        {"no reply", Bytes(10, 0x55), {}, std::nullopt},
        {"a reply to another request", {}, {0x09, 0x04, 0, 0, 0, 0, 0, 0, 0xEB}, std::nullopt},
        {"cut short: only the length arrived", {}, {0x08}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPort port;
        SerialFrame frame;
        ReceiveBuffer buffer;
        buffer.append(c.before);
        const auto at = requestAndScan(port, frame, buffer, requests::kDisplay, [&] { port.arrive(c.during); });
        EXPECT_EQ(at, c.expected);
        if (at) {
            const DisplayReply values = decodeDisplayReply(buffer, *at);
            EXPECT_EQ(values.resolution, 7);
            EXPECT_EQ(values.displayMode, 6);
            EXPECT_EQ(values.hTenths, 25);
            EXPECT_EQ(values.vTenths, 30);
            EXPECT_EQ(values.maskOn, 1);
        }
    }
}

TEST(RequestAndScan, ARepliesValuesAreTheStoredSignedEntries)
{
    ScriptedPort port;
    SerialFrame frame;
    ReceiveBuffer buffer;
    port.arrive({0x09, 0x04, 0x02, 0x04, 0x01, 0x02, 0xFF, 0x8A, 0x00});
    const auto at = requestAndScan(port, frame, buffer, requests::kSettings, {});
    ASSERT_TRUE(at);
    const SettingsReply r = decodeSettingsReply(buffer, *at);
    EXPECT_EQ(r.inputSource, 2);
    EXPECT_EQ(r.power, 4) << "taken as it is; the page decides";
    EXPECT_EQ(r.osdLock, 1);
    EXPECT_EQ(r.rotation, 2);
    EXPECT_EQ(r.gpiBits, -1);
    EXPECT_EQ(r.gpoBits, -118);

    ScriptedPort modelPort;
    ReceiveBuffer modelBuffer;
    modelPort.arrive({0x04, 0x1A, 0x01, 0xE1});
    const auto modelAt = requestAndScan(modelPort, frame, modelBuffer, requests::kModel, {});
    ASSERT_TRUE(modelAt);
    EXPECT_EQ(decodeModelReply(modelBuffer, *modelAt).model, 1);
}
