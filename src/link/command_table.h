#pragma once
// The device commands the pages send, as data: for each, the VCP code
// written under DDC/CI and the serial command and frame length used on the
// RS-232 line. A page handler stores its value, builds the command here and
// hands it to LinkState::send().

#include "link/protocol.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace lumivex {

enum class CommandId : uint8_t {
    InputSource,   // 0 VGA, 1 Component, 2 DVI
    Power,         // 0 off, 1 on
    FactoryReset,
    AutoAdjust,
    OsdMode,       // 0 unlock, 1 lock, 2 normal, 3 rotation
    Gpo,           // output bits 0..3
    Identify,
    Resolution,    // sent with the layout on the serial line
    DisplayMode,   // sent with the resolution on the serial line
    BezelMask,
};

struct CommandRow {
    CommandId id;
    std::string_view name;
    uint8_t vcpCode;
    uint8_t serialCommand;
    uint8_t frameLength;  // 4, 5 or 7
};

inline constexpr std::array kCommandTable{
    CommandRow{CommandId::InputSource, "input source", protocol::kVcpInputSource, protocol::kCmdInputSource, 4},
    CommandRow{CommandId::Power, "power", protocol::kVcpPower, protocol::kCmdPower, 4},
    CommandRow{CommandId::FactoryReset, "factory reset", protocol::kVcpFactoryReset, protocol::kCmdFunction, 4},
    CommandRow{CommandId::AutoAdjust, "auto adjust", protocol::kVcpAutoAdjust, protocol::kCmdFunction, 4},
    CommandRow{CommandId::OsdMode, "OSD mode", protocol::kVcpOsdMode, protocol::kCmdOsdMode, 4},
    CommandRow{CommandId::Gpo, "GPO", protocol::kVcpGpio, protocol::kCmdGpo, 4},
    CommandRow{CommandId::Identify, "identify", protocol::kVcpIdentify, protocol::kCmdOsdMode, 5},
    CommandRow{CommandId::Resolution, "resolution", protocol::kVcpResolution, protocol::kCmdWallMode, 5},
    CommandRow{CommandId::DisplayMode, "display mode", protocol::kVcpDisplayMode, protocol::kCmdWallMode, 5},
    CommandRow{CommandId::BezelMask, "bezel mask", protocol::kVcpBezelMask, protocol::kCmdBezelMask, 7},
};

const CommandRow& commandRow(CommandId id);

// One command as both links carry it.
struct Command {
    CommandId id{};
    uint8_t vcpCode = 0;
    uint32_t vcpValue = 0;
    uint8_t serialCommand = 0;
    std::array<uint8_t, 4> values{};
    uint8_t valueCount = 0;

    std::span<const uint8_t> serialValues() const { return {values.data(), valueCount}; }
};

// Serial value bytes are the low byte of the page's value: a list without
// a selection (index -1) goes out as 0xFF, as the device has always seen it.
namespace commands {
Command inputSource(int32_t index);
Command power(int32_t index);
Command factoryReset();
Command autoAdjust();
Command osdMode(int32_t mode);
Command osdMode(protocol::OsdMode mode);
Command gpo(uint8_t outputBits);
Command identify();
Command resolution(int32_t resolutionIndex, int32_t displayModeIndex);
Command displayMode(int32_t resolutionIndex, int32_t displayModeIndex);
// Each tenths value is limited to its own field (VCP: as encodeMaskVcp;
// serial: 0..255 each), so it can never spill into a neighbour or the ON bit.
Command bezelMask(int32_t displayModeIndex, int32_t hTenths, int32_t vTenths, bool on);
}  // namespace commands

}  // namespace lumivex
