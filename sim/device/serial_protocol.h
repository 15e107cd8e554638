#pragma once
// The controller's side of the RS-232 line: the commands it answers and how
// its frames are built. A frame is its length, a command, value bytes and a
// checksum; the device sums every byte of a frame to zero.
// The simulator's own copy of the protocol, kept apart from src/link on purpose: the tests compare the two.

#include <cstdint>
#include <span>

namespace lumivex::device {

namespace serial {
inline constexpr uint8_t kMaintenance = 1;         // 1 factory reset, 0 auto adjust
inline constexpr uint8_t kOsdMode = 2;             // 0..3; the five-byte 2, 4, 0 identifies
inline constexpr uint8_t kReadDisplay = 3;         // answered with eight bytes
inline constexpr uint8_t kReadSettings = 4;        // answered with nine bytes
inline constexpr uint8_t kGpo = 5;                 // output bits 0..3
inline constexpr uint8_t kBezelMask = 24;          // layout, H tenths, V tenths, on
inline constexpr uint8_t kResolutionAndMode = 25;  // resolution index, layout index
inline constexpr uint8_t kReadModel = 26;          // answered with four bytes
inline constexpr uint8_t kInputSource = 27;        // 0 VGA, 1 Component, 2 DVI
inline constexpr uint8_t kPower = 28;              // 0 off, 1 on

inline constexpr uint8_t kIdentifyValue = 4;       // first value of the five-byte frame 2
inline constexpr int kReplyDisplayLength = 8;
inline constexpr int kReplySettingsLength = 9;
inline constexpr int kReplyModelLength = 4;
// The longest frame the panel sends.
inline constexpr int kMaxCommandLength = 7;
}  // namespace serial

// The byte that makes the given bytes sum to zero modulo 256.
inline uint8_t balancingChecksum(std::span<const uint8_t> bytes)
{
    uint8_t sum = 0;
    for (uint8_t byte : bytes)
        sum = static_cast<uint8_t>(sum + byte);
    return static_cast<uint8_t>(0x100 - sum);
}

// Only these lengths start a frame the controller accepts.
inline bool isCommandLength(uint8_t length)
{
    return length == 4 || length == 5 || length == 7;
}

}  // namespace lumivex::device
