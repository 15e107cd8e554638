// Reads, writes and waits for events, plain and overlapped.
#include "pty_pair.h"
#include "link/serial/serial.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace lumivex::test {
namespace {

class PortIo : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_port.open(m_pty.path().c_str(), 0, 0, GetParam()), kSerialSuccess);
    }

    PtyPair m_pty;
    CSerial m_port;
};

INSTANTIATE_TEST_SUITE_P(Plain, PortIo, ::testing::Values(false));
INSTANTIATE_TEST_SUITE_P(Overlapped, PortIo, ::testing::Values(true));

TEST_P(PortIo, NonBlockingReadWithNothingArrivedReturnsNothing)
{
    uint8_t buffer[500];
    uint32_t count = 77;
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count, nullptr, kSerialInfinite), kSerialSuccess);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(m_port.read(buffer, sizeof buffer), kSerialSuccess);
}

TEST_P(PortIo, NonBlockingReadReturnsWhatHasArrived)
{
    m_pty.send({'a', 'b', 'c'});
    ASSERT_TRUE(m_pty.waitForInput(3));
    uint8_t buffer[500] = {};
    uint32_t count = 0;
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count), kSerialSuccess);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(std::string(buffer, buffer + 3), "abc");
}

TEST_P(PortIo, ABurstOf2000BytesArrivesWholeAcrossReadsOf500)
{
    const std::vector<uint8_t> burst = pattern(2000);
    m_pty.send(burst);
    ASSERT_TRUE(m_pty.waitForInput(burst.size()));
    // The panel's drain: reads of 500 until one comes back short.
    std::vector<uint8_t> received;
    std::vector<uint32_t> counts;
    uint32_t count = 0;
    do {
        uint8_t buffer[500];
        ASSERT_EQ(m_port.read(buffer, sizeof buffer, &count, nullptr, kSerialInfinite), kSerialSuccess);
        counts.push_back(count);
        received.insert(received.end(), buffer, buffer + count);
    } while (count == 500);
    EXPECT_EQ(counts, (std::vector<uint32_t>{500, 500, 500, 500, 0}));
    EXPECT_EQ(received, burst);
}

TEST_P(PortIo, OneByteWritesArriveInOrder)
{
    const std::vector<uint8_t> frame = {0x04, 0x1A, 0x00, 0xE2};
    for (uint8_t byte : frame) {
        uint32_t written = 0;
        EXPECT_EQ(m_port.write(&byte, 1, &written, nullptr, kSerialInfinite), kSerialSuccess);
        EXPECT_EQ(written, 1u);
    }
    EXPECT_EQ(m_pty.receive(frame.size()), frame);
}

TEST_P(PortIo, WriteTextWritesTheTextsLength)
{
    uint32_t written = 0;
    EXPECT_EQ(m_port.writeText("ZEPTA", &written), kSerialSuccess);
    EXPECT_EQ(written, 5u);
    EXPECT_EQ(m_pty.receive(5), (std::vector<uint8_t>{'Z', 'E', 'P', 'T', 'A'}));
}

TEST_P(PortIo, BlockingReadWaitsForTheWholeLength)
{
    ASSERT_EQ(m_port.setReadMode(kSerialReadBlocking), kSerialSuccess);
    std::thread device([this] {
        m_pty.send({'1', '2'});
        m_pty.send({'3', '4', '5'});
    });
    uint8_t buffer[5] = {};
    uint32_t count = 0;
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count), kSerialSuccess);
    device.join();
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(std::string(buffer, buffer + 5), "12345");
}

class OverlappedPort : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(m_port.open(m_pty.path().c_str(), 0, 0, true), kSerialSuccess);
    }

    PtyPair m_pty;
    CSerial m_port;
};

TEST_F(OverlappedPort, ABoundedWaitThatExpiresCancelsTheRead)
{
    ASSERT_EQ(m_port.setReadMode(kSerialReadBlocking), kSerialSuccess);
    uint8_t buffer[10];
    uint32_t count = 99;
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count, nullptr, 20), kSerialTimeout);
    EXPECT_EQ(m_port.lastError(), kSerialTimeout);
    EXPECT_EQ(count, 0u);
    // Nothing keeps reading behind the caller's back.
    m_pty.send({'x', 'y'});
    ASSERT_TRUE(m_pty.waitForInput(2));
    ASSERT_EQ(m_port.setReadMode(kSerialReadNonBlocking), kSerialSuccess);
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count), kSerialSuccess);
    EXPECT_EQ(std::string(buffer, buffer + count), "xy");
}

TEST_F(OverlappedPort, AReadCutShortStillHandsOverItsBytes)
{
    ASSERT_EQ(m_port.setReadMode(kSerialReadBlocking), kSerialSuccess);
    m_pty.send({'p', 'q'});
    ASSERT_TRUE(m_pty.waitForInput(2));
    uint8_t buffer[10];
    uint32_t count = 0;
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count, nullptr, 20), kSerialTimeout);
    EXPECT_EQ(std::string(buffer, buffer + count), "pq");
}

TEST_F(OverlappedPort, ReadTimeOutsEndABlockingReadWithWhatArrived)
{
    // The total time-out ends the read: success with the bytes so far.
    ASSERT_EQ(m_port.setTimeouts({0, 0, 20, 0, 0}), kSerialSuccess);
    m_pty.send({'k'});
    ASSERT_TRUE(m_pty.waitForInput(1));
    uint8_t buffer[10];
    uint32_t count = 0;
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count), kSerialSuccess);
    EXPECT_EQ(count, 1u);
    // Return on the first byte: a byte already there comes back at once.
    ASSERT_EQ(m_port.setTimeouts({kSerialInfinite, kSerialInfinite, 60000, 0, 0}), kSerialSuccess);
    m_pty.send({'m', 'n'});
    ASSERT_TRUE(m_pty.waitForInput(2));
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count), kSerialSuccess);
    EXPECT_EQ(std::string(buffer, buffer + count), "mn");
}

TEST_F(OverlappedPort, ACallersRecordPendsAndCompletesWhenTheBytesArrive)
{
    ASSERT_EQ(m_port.setReadMode(kSerialReadBlocking), kSerialSuccess);
    SerialOverlapped overlapped;
    uint8_t buffer[3] = {};
    uint32_t count = 99;
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count, &overlapped), kSerialSuccess);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(overlapped.pending());
    EXPECT_FALSE(overlapped.event().isSet());
    EXPECT_EQ(overlapped.wait(10), kSerialTimeout);
    EXPECT_TRUE(overlapped.pending());

    m_pty.send({'x', 'y', 'z'});
    EXPECT_EQ(overlapped.wait(kSerialInfinite), kSerialSuccess);
    EXPECT_FALSE(overlapped.pending());
    EXPECT_TRUE(overlapped.event().isSet());
    EXPECT_EQ(overlapped.status(), kSerialSuccess);
    EXPECT_EQ(overlapped.transferred(), 3u);
    EXPECT_EQ(std::string(buffer, buffer + 3), "xyz");
}

TEST_F(OverlappedPort, ACallersRecordCompletesAtOnceWhenItCan)
{
    m_pty.send({'1', '2', '3'});
    ASSERT_TRUE(m_pty.waitForInput(3));
    SerialOverlapped overlapped;
    uint8_t buffer[8] = {};
    uint32_t count = 0;
    EXPECT_EQ(m_port.read(buffer, sizeof buffer, &count, &overlapped), kSerialSuccess);
    EXPECT_FALSE(overlapped.pending());
    EXPECT_TRUE(overlapped.event().isSet());
    EXPECT_EQ(count, 3u);
    const uint8_t byte = 'w';
    EXPECT_EQ(m_port.write(&byte, 1, &count, &overlapped), kSerialSuccess);
    EXPECT_FALSE(overlapped.pending());
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(m_pty.receive(1), std::vector<uint8_t>{'w'});
}

TEST_F(OverlappedPort, ClosingThePortEndsAPendingRecordAndFreesThePort)
{
    ASSERT_EQ(m_port.setReadMode(kSerialReadBlocking), kSerialSuccess);
    SerialOverlapped overlapped;
    uint8_t buffer[4];
    ASSERT_EQ(m_port.read(buffer, sizeof buffer, nullptr, &overlapped), kSerialSuccess);
    ASSERT_TRUE(overlapped.pending());
    ASSERT_EQ(m_port.close(), kSerialSuccess);
    EXPECT_EQ(overlapped.wait(kSerialInfinite), kSerialSuccess);
    EXPECT_EQ(overlapped.status(), kSerialOsError);
    EXPECT_EQ(overlapped.osError(), ECANCELED);
    EXPECT_EQ(CSerial::probe(m_pty.path().c_str()), 0);
}

TEST_F(OverlappedPort, CancelEndsAPendingRecord)
{
    SerialOverlapped overlapped;
    ASSERT_EQ(m_port.waitEvent(&overlapped), kSerialSuccess);
    ASSERT_TRUE(overlapped.pending());
    overlapped.cancel();
    EXPECT_FALSE(overlapped.pending());
    EXPECT_EQ(overlapped.status(), kSerialOsError);
    EXPECT_EQ(overlapped.osError(), ECANCELED);
    // The wait slot is free again.
    m_pty.send({'a'});
    EXPECT_EQ(m_port.waitEvent(nullptr, kSerialInfinite), kSerialSuccess);
}

TEST_F(OverlappedPort, ACharacterIsReportedOncePerBatchUntilThePortIsRead)
{
    m_pty.send({'a'});
    EXPECT_EQ(m_port.waitEvent(nullptr, kSerialInfinite), kSerialSuccess);
    EXPECT_EQ(m_port.takePendingEvents(), kSerialEventRxChar);
    EXPECT_EQ(m_port.takePendingEvents(), 0u);
    // Unread input is not news again: the next wait sleeps until its bound.
    EXPECT_EQ(m_port.waitEvent(nullptr, 20), kSerialTimeout);
    uint8_t buffer[8];
    ASSERT_EQ(m_port.read(buffer, sizeof buffer), kSerialSuccess);
    m_pty.send({'b'});
    EXPECT_EQ(m_port.waitEvent(nullptr, kSerialInfinite), kSerialSuccess);
    EXPECT_EQ(m_port.takePendingEvents(), kSerialEventRxChar);
}

TEST_F(OverlappedPort, InputThatArrivedUnreadIsReportedAfterARead)
{
    m_pty.send({'a'});
    ASSERT_EQ(m_port.waitEvent(nullptr, kSerialInfinite), kSerialSuccess);
    m_pty.send({'b'});
    ASSERT_TRUE(m_pty.waitForInput(2));
    uint8_t byte = 0;
    ASSERT_EQ(m_port.setReadMode(kSerialReadBlocking), kSerialSuccess);
    ASSERT_EQ(m_port.read(&byte, 1), kSerialSuccess);
    EXPECT_EQ(m_port.waitEvent(nullptr, kSerialInfinite), kSerialSuccess);
    EXPECT_EQ(m_port.takePendingEvents(), kSerialEventRxChar);
}

TEST_F(OverlappedPort, ChangingTheMaskCompletesAPendingWaitWithNoEvent)
{
    SerialOverlapped overlapped;
    ASSERT_EQ(m_port.waitEvent(&overlapped), kSerialSuccess);
    ASSERT_TRUE(overlapped.pending());
    ASSERT_EQ(m_port.setEventMask(kSerialDefaultEventMask), kSerialSuccess);
    EXPECT_EQ(overlapped.wait(kSerialInfinite), kSerialSuccess);
    EXPECT_EQ(overlapped.status(), kSerialSuccess);
    EXPECT_EQ(m_port.takePendingEvents(), 0u);
}

TEST_F(OverlappedPort, AMaskWithoutCharacterReceivedIgnoresInput)
{
    ASSERT_EQ(m_port.setEventMask(kSerialEventBreak), kSerialSuccess);
    m_pty.send({'a'});
    ASSERT_TRUE(m_pty.waitForInput(1));
    EXPECT_EQ(m_port.waitEvent(nullptr, 20), kSerialTimeout);
    EXPECT_EQ(m_port.takePendingEvents(), 0u);
}

TEST_F(OverlappedPort, OnlyOneWaitForEventsAtATime)
{
    SerialOverlapped first;
    ASSERT_EQ(m_port.waitEvent(&first), kSerialSuccess);
    ASSERT_TRUE(first.pending());
    EXPECT_EQ(m_port.waitEvent(nullptr, 10), kSerialOsError);
    EXPECT_EQ(m_port.lastOsError(), EBUSY);
    first.cancel();
}

}  // namespace
}  // namespace lumivex::test
