// Line parameters, handshake, read mode, event mask and event character.
#include "pty_pair.h"
#include "link/serial/serial.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

namespace lumivex::test {
namespace {

class OpenPort : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(m_port.open(m_pty.path().c_str()), kSerialSuccess); }

    LineParameters line()
    {
        return {m_port.baudRate(), m_port.dataBits(), m_port.parity(), m_port.stopBits()};
    }

    PtyPair m_pty;
    CSerial m_port;
};

struct LineCase {
    const char* name;
    LineParameters asked;
    int32_t error;  // the errno of a refusal
};

std::ostream& operator<<(std::ostream& out, const LineCase& c)
{
    return out << c.name;
}

class LineParametersTest : public OpenPort, public ::testing::WithParamInterface<LineCase> {};

bool sameLine(const LineParameters& a, const LineParameters& b)
{
    return a.baudRate == b.baudRate && a.dataBits == b.dataBits && a.parity == b.parity &&
           a.stopBits == b.stopBits;
}

TEST_P(LineParametersTest, TakenValuesReadBackAndRefusedOnesChangeNothing)
{
    const LineCase& c = GetParam();
    ASSERT_EQ(m_port.setLineParameters(57600, 8, kSerialParityNone, kSerialStopOne), kSerialSuccess);
    const LineParameters before = line();
    ASSERT_TRUE(sameLine(before, {57600, 8, kSerialParityNone, kSerialStopOne}));

    EXPECT_EQ(m_port.setLineParameters(static_cast<uint32_t>(c.asked.baudRate), c.asked.dataBits,
                                       c.asked.parity, c.asked.stopBits),
              c.error == 0 ? kSerialSuccess : kSerialOsError);
    EXPECT_EQ(m_port.lastOsError(), c.error);
    const LineParameters after = line();
    const LineParameters expected = c.error == 0 ? c.asked : before;
    EXPECT_EQ(after.baudRate, expected.baudRate);
    EXPECT_EQ(after.dataBits, expected.dataBits);
    EXPECT_EQ(after.parity, expected.parity);
    EXPECT_EQ(after.stopBits, expected.stopBits);
}

// A pseudo-terminal carries 8 bits without parity whatever it is asked, so a
// request for another format must fail rather than pass unnoticed.
INSTANTIATE_TEST_SUITE_P(
    Cases, LineParametersTest,
    ::testing::Values(
        LineCase{"PanelSetting", {115200, 8, kSerialParityNone, kSerialStopOne}, kSerialSuccess},
        LineCase{"TwoStopBits", {9600, 8, kSerialParityNone, kSerialStopTwo}, kSerialSuccess},
        LineCase{"NonStandardRate", {12345, 8, kSerialParityNone, kSerialStopOne}, kSerialSuccess},
        LineCase{"SlowRate", {300, 8, kSerialParityNone, kSerialStopOne}, kSerialSuccess},
        LineCase{"SevenBitsEvenNotCarried", {19200, 7, kSerialParityEven, kSerialStopOne}, EINVAL},
        LineCase{"OddParityNotCarried", {19200, 8, kSerialParityOdd, kSerialStopOne}, EINVAL},
        LineCase{"ZeroRate", {0, 8, kSerialParityNone, kSerialStopOne}, EINVAL},
        LineCase{"NineDataBits", {9600, 9, kSerialParityNone, kSerialStopOne}, EINVAL},
        LineCase{"FourDataBits", {9600, 4, kSerialParityNone, kSerialStopOne}, EINVAL},
        LineCase{"UnknownParity", {9600, 8, 5, kSerialStopOne}, EINVAL},
        LineCase{"UnknownStopBits", {9600, 8, kSerialParityNone, 3}, EINVAL},
        LineCase{"OneAndHalfNeedsFiveBits", {9600, 8, kSerialParityNone, kSerialStopOneAndHalf},
                 EINVAL}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OpenPort, HandshakeModesRoundTrip)
{
    for (int32_t mode : {kSerialHandshakeHardware, kSerialHandshakeSoftware, kSerialHandshakeOff}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(m_port.setHandshake(mode), kSerialSuccess);
        EXPECT_EQ(m_port.handshake(), mode);
    }
}

TEST_F(OpenPort, UnknownHandshakeFailsAndKeepsThePreviousOne)
{
    for (int32_t previous : {kSerialHandshakeOff, kSerialHandshakeHardware, kSerialHandshakeSoftware}) {
        ASSERT_EQ(m_port.setHandshake(previous), kSerialSuccess);
        for (int32_t unknown : {3, -1, 100}) {
            SCOPED_TRACE(testing::Message() << previous << " then " << unknown);
            EXPECT_EQ(m_port.setHandshake(unknown), kSerialInvalidArgument);
            EXPECT_EQ(m_port.lastError(), kSerialInvalidArgument);
            EXPECT_EQ(m_port.handshake(), previous);
        }
    }
}

TEST_F(OpenPort, HandshakeDoesNotDisturbTheLineParameters)
{
    ASSERT_EQ(m_port.setLineParameters(115200, 8, kSerialParityNone, kSerialStopTwo), kSerialSuccess);
    ASSERT_EQ(m_port.setHandshake(kSerialHandshakeHardware), kSerialSuccess);
    ASSERT_EQ(m_port.setHandshake(kSerialHandshakeOff), kSerialSuccess);
    EXPECT_TRUE(sameLine(line(), {115200, 8, kSerialParityNone, kSerialStopTwo}));
}

TEST_F(OpenPort, ReadModeSetsTheReadTimeOutsAndKeepsTheWriteOnes)
{
    ASSERT_EQ(m_port.setTimeouts({10, 20, 30, 40, 50}), kSerialSuccess);
    ASSERT_EQ(m_port.setReadMode(kSerialReadBlocking), kSerialSuccess);
    EXPECT_EQ(m_port.timeouts(), (SerialTimeouts{0, 0, 0, 40, 50}));
    ASSERT_EQ(m_port.setReadMode(kSerialReadNonBlocking), kSerialSuccess);
    EXPECT_EQ(m_port.timeouts(), (SerialTimeouts{kSerialInfinite, 0, 0, 40, 50}));
    EXPECT_EQ(m_port.setReadMode(2), kSerialInvalidArgument);
    EXPECT_EQ(m_port.timeouts(), (SerialTimeouts{kSerialInfinite, 0, 0, 40, 50}));
}

TEST_F(OpenPort, EventMaskAndEventCharacter)
{
    EXPECT_EQ(m_port.setEventMask(kSerialEventRxChar), kSerialSuccess);
    EXPECT_EQ(m_port.eventMask(), kSerialEventRxChar);
    EXPECT_EQ(m_port.setEventChar('\n', false), kSerialSuccess);
    EXPECT_EQ(m_port.eventChar(), '\n');
    EXPECT_EQ(m_port.eventMask(), kSerialEventRxChar);
    EXPECT_EQ(m_port.setEventChar('#', true), kSerialSuccess);
    EXPECT_EQ(m_port.eventChar(), '#');
    EXPECT_EQ(m_port.eventMask(), kSerialEventRxChar | kSerialEventRxFlag);
    ASSERT_EQ(m_port.close(), kSerialSuccess);
    EXPECT_EQ(m_port.eventMask(), 0u);
}

}  // namespace
}  // namespace lumivex::test
