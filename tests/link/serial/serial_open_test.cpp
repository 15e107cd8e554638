// Opening and closing a port, and what a closed port answers.
#include "pty_pair.h"
#include "link/serial/serial.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

#include <cerrno>
#include <functional>

namespace lumivex::test {
namespace {

TEST(SerialOpen, SecondOpenFailsAndTheFirstOpeningKeepsWorking)
{
    PtyPair pty;
    CSerial port;
    ASSERT_EQ(port.open(pty.path().c_str()), kSerialSuccess);
    EXPECT_EQ(port.open(pty.path().c_str()), kSerialAlreadyOpen);
    EXPECT_EQ(port.lastError(), kSerialAlreadyOpen);
    EXPECT_TRUE(port.isOpen());

    const uint8_t frame[] = {0x04, 0x1B, 0x02, 0xDF};
    EXPECT_EQ(port.write(frame, sizeof frame), kSerialSuccess);
    EXPECT_EQ(pty.receive(4), std::vector<uint8_t>(frame, frame + 4));
    pty.send({0x09, 0x04});
    ASSERT_TRUE(pty.waitForInput(2));
    uint8_t reply[8] = {};
    uint32_t count = 0;
    EXPECT_EQ(port.read(reply, sizeof reply, &count), kSerialSuccess);
    EXPECT_EQ(count, 2u);
}

// Root ignores the terminal's exclusive flag, so the flag itself is read:
// set while the port is open, cleared when it closes, though the terminal
// stays open elsewhere.
TEST(SerialOpen, TheTerminalIsExclusiveWhileOpenOnly)
{
    PtyPair pty;
    const auto exclusive = [&] {
        int flag = -1;
        return ioctl(pty.slave(), TIOCGEXCL, &flag) == 0 ? flag : -1;
    };
    ASSERT_EQ(exclusive(), 0);
    CSerial port;
    ASSERT_EQ(port.open(pty.path().c_str()), kSerialSuccess);
    EXPECT_EQ(exclusive(), 1);
    EXPECT_EQ(port.close(), kSerialSuccess);
    EXPECT_EQ(exclusive(), 0);
}

TEST(SerialOpen, CloseOfAClosedPortSucceeds)
{
    PtyPair pty;
    CSerial port;
    EXPECT_EQ(port.close(), kSerialSuccess);
    ASSERT_EQ(port.open(pty.path().c_str()), kSerialSuccess);
    EXPECT_EQ(port.close(), kSerialSuccess);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.close(), kSerialSuccess);
    EXPECT_EQ(port.lastError(), kSerialSuccess);
    // Closed for real: the port can be opened again.
    EXPECT_EQ(port.open(pty.path().c_str()), kSerialSuccess);
}

TEST(SerialOpen, FailedOpensReportTheSystemsErrorAndLeaveThePortClosed)
{
    struct Case {
        const char* device;
        int32_t error;
    };
    const Case cases[] = {
        {"/dev/lumivex-no-such-port", ENOENT},
        {"/dev/null", ENOTTY},          // not a terminal
        {"COM97", ENOENT},              // no path for it anywhere
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        CSerial port;
        EXPECT_EQ(port.open(c.device), kSerialOsError);
        EXPECT_EQ(port.lastOsError(), c.error);
        EXPECT_FALSE(port.isOpen());
    }
}

TEST(SerialOpen, OpenSetsTheDefaultMaskNonBlockingReadsAndARawLine)
{
    PtyPair pty;
    CSerial port;
    ASSERT_EQ(port.open(pty.path().c_str()), kSerialSuccess);
    EXPECT_EQ(port.eventMask(), 0x00C1u);
    const SerialTimeouts nonBlocking{kSerialInfinite, 0, 0, 0, 0};
    EXPECT_EQ(port.timeouts(), nonBlocking);

    // A carriage return arrives untranslated and nothing is echoed back.
    pty.send({'\r', 0x03, 0xFF});
    ASSERT_TRUE(pty.waitForInput(3));
    uint8_t bytes[4] = {};
    uint32_t count = 0;
    ASSERT_EQ(port.read(bytes, sizeof bytes, &count), kSerialSuccess);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(bytes[0], '\r');
    EXPECT_EQ(bytes[1], 0x03);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(port.writeText("\n"), kSerialSuccess);
    EXPECT_EQ(pty.receive(1), std::vector<uint8_t>{'\n'});
}

TEST(SerialOpen, EveryOperationOnAClosedPortFailsWithInvalidHandle)
{
    CSerial port;
    uint8_t byte = 0;
    SerialOverlapped overlapped;
    const std::pair<const char*, std::function<int32_t()>> operations[] = {
        {"setLineParameters", [&] { return port.setLineParameters(115200, 8, 0, 0); }},
        {"setEventChar", [&] { return port.setEventChar('x'); }},
        {"setEventMask", [&] { return port.setEventMask(0x1); }},
        {"waitEvent", [&] { return port.waitEvent(); }},
        {"waitEvent with a record", [&] { return port.waitEvent(&overlapped, 10); }},
        {"setHandshake", [&] { return port.setHandshake(0); }},
        {"setHandshake 3", [&] { return port.setHandshake(3); }},
        {"setTimeouts", [&] { return port.setTimeouts({}); }},
        {"setReadMode", [&] { return port.setReadMode(0); }},
        {"write", [&] { return port.write(&byte, 1); }},
        {"writeText", [&] { return port.writeText("x"); }},
        {"read", [&] { return port.read(&byte, 1); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        EXPECT_EQ(operation(), kSerialInvalidHandle);
        EXPECT_EQ(port.lastError(), kSerialInvalidHandle);
    }
    const std::pair<const char*, std::function<int32_t()>> getters[] = {
        {"baudRate", [&] { return port.baudRate(); }},
        {"dataBits", [&] { return port.dataBits(); }},
        {"parity", [&] { return port.parity(); }},
        {"stopBits", [&] { return port.stopBits(); }},
        {"handshake", [&] { return port.handshake(); }},
    };
    for (const auto& [name, getter] : getters) {
        SCOPED_TRACE(name);
        EXPECT_EQ(getter(), -1);
    }
    EXPECT_EQ(port.eventMask(), 0u);
    EXPECT_EQ(port.eventChar(), 0);
}

TEST(SerialOpen, APortWithoutOverlappedIoRefusesARecordOrAFiniteTimeOut)
{
    PtyPair pty;
    CSerial port;
    ASSERT_EQ(port.open(pty.path().c_str()), kSerialSuccess);
    uint8_t byte = 0;
    uint32_t count = 99;
    SerialOverlapped overlapped;
    const std::pair<const char*, std::function<int32_t()>> refused[] = {
        {"read with a record", [&] { return port.read(&byte, 1, &count, &overlapped); }},
        {"read with a time-out", [&] { return port.read(&byte, 1, &count, nullptr, 100); }},
        {"write with a record", [&] { return port.write(&byte, 1, &count, &overlapped); }},
        {"write with a time-out", [&] { return port.write(&byte, 1, &count, nullptr, 0); }},
        {"wait with a record", [&] { return port.waitEvent(&overlapped); }},
        {"wait with a time-out", [&] { return port.waitEvent(nullptr, 5); }},
    };
    for (const auto& [name, operation] : refused) {
        SCOPED_TRACE(name);
        EXPECT_EQ(operation(), kSerialInvalidFunction);
        EXPECT_EQ(port.lastError(), kSerialInvalidFunction);
    }
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(overlapped.pending());
    // Nothing was written by the refused writes.
    EXPECT_EQ(port.write("A", 1), kSerialSuccess);
    EXPECT_EQ(pty.receive(1), std::vector<uint8_t>{'A'});
}

}  // namespace
}  // namespace lumivex::test
