#pragma once
// The controller's protocol, each fact once: the VCP codes of DDC/CI, the
// serial commands with their reply lengths, the values the device takes and
// reports, and each encoding beside its decoding. Every other file of the
// product uses these names.

#include <cstdint>
#include <optional>

namespace lumivex::protocol {

// VCP codes.
inline constexpr uint8_t kVcpFactoryReset = 0x04;
inline constexpr uint8_t kVcpInputSource = 0x60;
inline constexpr uint8_t kVcpResolution = 0xB0;
inline constexpr uint8_t kVcpDisplayMode = 0xB1;  // the wall layout
inline constexpr uint8_t kVcpBezelMask = 0xB2;
inline constexpr uint8_t kVcpGpio = 0xB3;         // a model without GPIO may refuse it
inline constexpr uint8_t kVcpPower = 0xD6;
inline constexpr uint8_t kVcpAutoAdjust = 0xEC;
inline constexpr uint8_t kVcpModel = 0xF8;
inline constexpr uint8_t kVcpIdentify = 0xFB;
inline constexpr uint8_t kVcpOsdMode = 0xFC;

// Serial commands. A frame is length, command, values, checksum.
inline constexpr uint8_t kCmdFunction = 1;          // value: kFunctionAutoAdjust or kFunctionFactoryReset
inline constexpr uint8_t kCmdOsdMode = 2;           // value: an OsdMode
inline constexpr uint8_t kCmdDisplayRequest = 3;    // asks for the display reply
inline constexpr uint8_t kCmdSettingsRequest = 4;   // asks for the settings reply
inline constexpr uint8_t kCmdGpo = 5;
inline constexpr uint8_t kCmdBezelMask = 24;        // layout, H tenths, V tenths, on
inline constexpr uint8_t kCmdWallMode = 25;         // resolution, layout
inline constexpr uint8_t kCmdModelRequest = 26;     // asks for the model reply
inline constexpr uint8_t kCmdInputSource = 27;
inline constexpr uint8_t kCmdPower = 28;

// The replies' whole lengths, header and checksum included.
inline constexpr uint8_t kDisplayReplyLength = 8;
inline constexpr uint8_t kSettingsReplyLength = 9;
inline constexpr uint8_t kModelReplyLength = 4;

inline constexpr uint8_t kFunctionAutoAdjust = 0;
inline constexpr uint8_t kFunctionFactoryReset = 1;
// What the VCP writes of factory reset, auto adjust and identify carry.
inline constexpr uint32_t kVcpFunctionValue = 1;
inline constexpr uint32_t kVcpIdentifyValue = 0;

enum class Input : int32_t { Vga = 0, Component = 1, Dvi = 2 };
enum class Power : int32_t { Off = 0, On = 1 };
enum class Osd : int32_t { Unlocked = 0, Locked = 1 };
enum class Rotation : int32_t { Normal = 0, Rotated = 1 };
enum class Mask : int32_t { Off = 0, On = 1 };
enum class Model : int32_t { K410 = 0, K420 = 1 };

// The OSD-mode command carries the lock, the rotation and identify.
enum class OsdMode : uint8_t { Unlock = 0, Lock = 1, Normal = 2, Rotate = 3, Identify = 4 };

constexpr OsdMode osdModeFor(Osd osd)
{
    return osd == Osd::Locked ? OsdMode::Lock : OsdMode::Unlock;
}
constexpr OsdMode osdModeFor(Rotation rotation)
{
    return rotation == Rotation::Rotated ? OsdMode::Rotate : OsdMode::Normal;
}

// Power as the device reports it: 1 on; 0 off, and 4, its stand-by, off
// too; anything else is no answer.
inline constexpr int32_t kReportedPowerStandby = 4;
constexpr std::optional<Power> decodePower(int32_t reported)
{
    if (reported == int32_t(Power::On))
        return Power::On;
    if (reported == int32_t(Power::Off) || reported == kReportedPowerStandby)
        return Power::Off;
    return std::nullopt;
}

// The rotation in the settings reply is the OSD mode's offset from Normal
// doubled: 0 normal, 2 rotated; anything else is no answer.
inline constexpr int32_t kReportedRotated = 2;
constexpr int32_t encodeReportedRotation(Rotation rotation)
{
    return rotation == Rotation::Rotated ? kReportedRotated : 0;
}
constexpr std::optional<Rotation> decodeReportedRotation(int32_t reported)
{
    if (reported == 0)
        return Rotation::Normal;
    if (reported == kReportedRotated)
        return Rotation::Rotated;
    return std::nullopt;
}

// The bezel mask over DDC/CI: V tenths in bits 0..7, H tenths in bits
// 8..14, on in bit 15. Each field is limited to its width, so a value can
// never spill into a neighbour or the on bit.
inline constexpr int32_t kMaskHMaxTenths = 0x7F;
inline constexpr int32_t kMaskVMaxTenths = 0xFF;
inline constexpr uint32_t kMaskOnBit = 0x8000;
struct MaskValue {
    int32_t hTenths = 0;
    int32_t vTenths = 0;
    bool on = false;
};
constexpr uint32_t encodeMaskVcp(const MaskValue& mask)
{
    const auto field = [](int32_t value, int32_t maximum) {
        return uint32_t(value < 0 ? 0 : value > maximum ? maximum : value);
    };
    return field(mask.hTenths, kMaskHMaxTenths) << 8 | field(mask.vTenths, kMaskVMaxTenths)
        | (mask.on ? kMaskOnBit : 0);
}
constexpr MaskValue decodeMaskVcp(uint32_t value)
{
    return {int32_t((value >> 8) & uint32_t(kMaskHMaxTenths)), int32_t(value & uint32_t(kMaskVMaxTenths)),
            (value & kMaskOnBit) != 0};
}

// Four inputs and four outputs, GPIO-1 in bit 0. Over DDC/CI the outputs
// are bits 0..3 and the inputs bits 4..7; the settings reply has a value
// for each.
inline constexpr uint8_t kGpioBits = 0x0F;
struct GpioValue {
    uint8_t inputs = 0;
    uint8_t outputs = 0;
};
constexpr uint32_t encodeGpioVcp(const GpioValue& gpio)
{
    return uint32_t(gpio.inputs & kGpioBits) << 4 | uint32_t(gpio.outputs & kGpioBits);
}
constexpr GpioValue decodeGpioVcp(uint32_t value)
{
    return {uint8_t((value >> 4) & kGpioBits), uint8_t(value & kGpioBits)};
}

// The model: over DDC/CI the VCP code in the high byte and the model in the
// low; over serial the model reply's value, where only 1 names the K420.
constexpr uint32_t encodeModelVcp(Model model)
{
    return uint32_t(kVcpModel) << 8 | uint32_t(model);
}
constexpr std::optional<Model> decodeModelVcp(uint32_t value)
{
    if (value == encodeModelVcp(Model::K410))
        return Model::K410;
    if (value == encodeModelVcp(Model::K420))
        return Model::K420;
    return std::nullopt;
}

// A layout over DDC/CI from this value up is a wall (more than 1x1).
inline constexpr uint32_t kVcpWallLayoutFrom = 256;

}  // namespace lumivex::protocol
