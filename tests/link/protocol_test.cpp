// Every value the protocol encodes decodes to itself, and what is out of a
// field's range never reaches a neighbouring field.

#include "link/protocol.h"
#include "link/replies.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lumivex;
using namespace lumivex::protocol;

TEST(Protocol, MaskFieldsRoundTripAndStayInTheirBits)
{
    for (int32_t h = -3; h <= 300; ++h) {
        for (int32_t v = -3; v <= 300; ++v) {
            for (const bool on : {false, true}) {
                const MaskValue back = decodeMaskVcp(encodeMaskVcp({h, v, on}));
                ASSERT_EQ(back.hTenths, std::clamp(h, 0, kMaskHMaxTenths)) << h << ' ' << v;
                ASSERT_EQ(back.vTenths, std::clamp(v, 0, kMaskVMaxTenths)) << h << ' ' << v;
                ASSERT_EQ(back.on, on) << h << ' ' << v;
            }
        }
    }
}

TEST(Protocol, GpioModelPowerAndRotationRoundTrip)
{
    for (uint8_t inputs = 0; inputs < 16; ++inputs) {
        for (uint8_t outputs = 0; outputs < 16; ++outputs) {
            const GpioValue back = decodeGpioVcp(encodeGpioVcp({inputs, outputs}));
            ASSERT_EQ(back.inputs, inputs);
            ASSERT_EQ(back.outputs, outputs);
        }
    }
    for (const Model model : {Model::K410, Model::K420})
        EXPECT_EQ(decodeModelVcp(encodeModelVcp(model)), model);
    for (const Power power : {Power::Off, Power::On})
        EXPECT_EQ(decodePower(int32_t(power)), power);
    for (const Rotation rotation : {Rotation::Normal, Rotation::Rotated}) {
        EXPECT_EQ(decodeReportedRotation(encodeReportedRotation(rotation)), rotation);
        EXPECT_NE(osdModeFor(rotation), osdModeFor(Osd::Locked));
        EXPECT_NE(osdModeFor(rotation), osdModeFor(Osd::Unlocked));
    }
}

// What the device reports beyond the named values is no answer, except its
// stand-by, which is off.
TEST(Protocol, ReportedValuesOutsideTheNamesAreNoAnswer)
{
    EXPECT_EQ(decodePower(kReportedPowerStandby), Power::Off);
    for (const int32_t reported : {-1, 2, 3, 5, 255})
        EXPECT_EQ(decodePower(reported), std::nullopt) << reported;
    for (const int32_t reported : {-1, 1, 3, 255})
        EXPECT_EQ(decodeReportedRotation(reported), std::nullopt) << reported;
    for (const uint32_t value : {0x0000u, 0x0001u, 0xF802u, 0xF7FFu, 0x1F800u})
        EXPECT_EQ(decodeModelVcp(value), std::nullopt) << value;
}

// The reply's tenths are the bytes the device sent, whatever their top bit.
TEST(Protocol, DisplayReplyTenthsAreTheBytesSent)
{
    for (int byte = 0; byte < 256; ++byte) {
        ReceiveBuffer buffer;
        const std::vector<uint8_t> reply{kDisplayReplyLength, kCmdDisplayRequest, 1, 2, uint8_t(byte), uint8_t(byte), 1};
        buffer.append(reply);
        const DisplayReply decoded = decodeDisplayReply(buffer, 0);
        ASSERT_EQ(decoded.hTenths, byte);
        ASSERT_EQ(decoded.vTenths, byte);
    }
}
