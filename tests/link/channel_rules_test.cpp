// The drain and the request-and-scan exchange over a scripted port.

#include "link/channel_rules.h"
#include "scripted_port.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace lumivex;
using lumivex::testing::ScriptedPort;
using Bytes = std::vector<uint8_t>;

namespace {

// Scripted ports wait no real time: each wait brings its batch at once.
constexpr std::chrono::milliseconds kWait{10000};

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
        bool waitForInput(Clock::time_point) override { return false; }
        int calls = 0;
    } port;
    ReceiveBuffer buffer;
    EXPECT_EQ(drain(port, buffer), 0u);
    EXPECT_EQ(port.calls, 1);
    EXPECT_EQ(buffer.writePosition(), 0);
}

TEST(RequestAndScan, TheRequestGoesOutBeforeTheFirstDrain)
{
    ScriptedPort port;
    SerialFrame frame;
    ReceiveBuffer buffer;
    size_t writesAtFirstRead = 0;
    port.onWrite = [&](uint8_t) { writesAtFirstRead = port.writes.size(); };
    port.duringWaits = {{0x09, 0x04, 0x02, 0x01, 0x00, 0x00, 0x05, 0x00, 0xEB}};
    const auto at = requestAndScan(port, frame, buffer, requests::kSettings, kWait).position;
    EXPECT_EQ(port.writes, (Bytes{0x04, 0x04, 0x00, 0xF8}));
    EXPECT_EQ(writesAtFirstRead, 4u);
    ASSERT_EQ(at, 0);
    EXPECT_EQ(buffer.writePosition(), 9) << "the caller decides about resetting";
}

// Each row's bytes arrive in batches, one per wait for input; the wait
// ends once the reply the scan takes is whole, and what the scan takes is
// what it would take after the whole wait.
TEST(RequestAndScan, TheWaitEndsWhenTheReplyIsWhole)
{
    struct Case {
        const char* what;
        Bytes before;               // in the buffer from earlier drains
        std::vector<Bytes> during;  // one batch per wait
        std::optional<int> expected;
        int waits;                  // waits made, the last one failing unless the reply was whole
        std::chrono::milliseconds wait = kWait;
    };
    const Bytes reply{0x08, 0x03, 0x07, 0x06, 0x19, 0x1E, 0x01, 0xB0};
    const Bytes badSum{0x08, 0x03, 0x07, 0x06, 0x19, 0x1E, 0x01, 0x91};
    const Bytes other{0x09, 0x04, 0, 0, 0, 0, 0, 0, 0xEB};
    const Case cases[] = {
        {"the reply in one batch", {}, {reply}, 0, 1},
        {"in two batches", {}, {Bytes(reply.begin(), reply.begin() + 5), Bytes(reply.begin() + 5, reply.end())}, 0, 2},
        {"only the length so far", {}, {{0x08}}, std::nullopt, 2},
        {"stray bytes first", {}, {{0xF8, 0x80, 0x03}, reply}, 3, 2},
        {"after 40 bytes of older traffic", Bytes(40, 0x55), {reply}, 40, 1},
        {"a bad checksum is never taken", {}, {badSum}, std::nullopt, 2},
        {"a reply to another request is never taken", {}, {other}, std::nullopt, 2},
        {"no reply", Bytes(10, 0x55), {}, std::nullopt, 1},
        {"a reply that comes after the wait is no answer", {}, {reply}, std::nullopt, 0, std::chrono::milliseconds(0)},
        {"what follows a whole reply waits for the next drain", {}, {reply, {0x55}}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPort port;
        SerialFrame frame;
        ReceiveBuffer buffer;
        buffer.append(c.before);
        port.duringWaits.assign(c.during.begin(), c.during.end());
        const auto at = requestAndScan(port, frame, buffer, requests::kDisplay, c.wait).position;
        EXPECT_EQ(at, c.expected);
        EXPECT_EQ(port.waits, c.waits);
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

// Entries at or past the write position may still change, so a reply
// there is not whole yet, whatever it holds.
TEST(RequestAndScan, OnlyAReplyBelowTheWritePositionIsWhole)
{
    struct Case {
        const char* what;
        int start;       // the write position when the request goes out
        int oldReplyAt;  // where a whole reply already sits, or -1
        std::optional<int> expected;
        int waits;
    };
    const Case cases[] = {
        {"one already drained is taken at once", 4, 0, 0, 0},
        {"one past the write position waits for the new one", 0, 40, 0, 1},
        {"one past the entries ever written waits too", 0, 300, 0, 1},
        {"a new reply across the wrap is never taken", 254, -1, std::nullopt, 2},
    };
    const Bytes reply{0x04, 0x1A, 0x01, 0xE1};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPort port;
        SerialFrame frame;
        ReceiveBuffer buffer;
        buffer.append(Bytes(size_t(c.start), 0x55));
        if (c.oldReplyAt >= 0)
            for (size_t i = 0; i < reply.size(); ++i)
                buffer.setEntry(c.oldReplyAt + int(i), int8_t(reply[i]));
        port.duringWaits = {reply};
        EXPECT_EQ(requestAndScan(port, frame, buffer, requests::kModel, kWait).position, c.expected);
        EXPECT_EQ(port.waits, c.waits);
    }
}

TEST(RequestAndScan, ARepliesValuesAreTheStoredSignedEntries)
{
    ScriptedPort port;
    SerialFrame frame;
    ReceiveBuffer buffer;
    port.arrive({0x09, 0x04, 0x02, 0x04, 0x01, 0x02, 0xFF, 0x8A, 0x61});
    const auto at = requestAndScan(port, frame, buffer, requests::kSettings, kWait).position;
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
    const auto modelAt = requestAndScan(modelPort, frame, modelBuffer, requests::kModel, kWait).position;
    ASSERT_TRUE(modelAt);
    EXPECT_EQ(decodeModelReply(modelBuffer, *modelAt).model, 1);
}
