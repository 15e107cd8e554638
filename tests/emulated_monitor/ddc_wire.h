#pragma once
// The DDC/CI messages a monitor exchanges on I2C address 0x37. Every
// message ends with an XOR of all its bytes, counted from the address it
// travels to: 0x6E for what the host sends, 0x50 for what the monitor sends.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumivex::emulator {

inline constexpr uint8_t kDdcAddress = 0x37;   // 7-bit; 0x6E on the wire
inline constexpr uint8_t kEdidAddress = 0x50;
inline constexpr uint8_t kHostAddress = 0x51;
inline constexpr uint8_t kMonitorAddress = 0x6E;
inline constexpr uint8_t kReplyChecksumSeed = 0x50;

inline constexpr uint8_t kGetVcpOpcode = 0x01;
inline constexpr uint8_t kGetVcpReplyOpcode = 0x02;
inline constexpr uint8_t kSetVcpOpcode = 0x03;

// Result byte of a Get reply.
inline constexpr uint8_t kVcpSupported = 0x00;
inline constexpr uint8_t kVcpUnsupported = 0x01;
// Type byte of a Get reply.
inline constexpr uint8_t kTypeSetParameter = 0x00;
inline constexpr uint8_t kTypeMomentary = 0x01;

uint8_t xorChecksum(uint8_t seed, std::span<const uint8_t> bytes);

struct GetRequest {
    uint8_t code = 0;
};
struct SetRequest {
    uint8_t code = 0;
    uint16_t value = 0;
};
// A host message as written to 0x37: source 0x51, length | 0x80, body,
// checksum. Anything else (a bad checksum, a length that does not match,
// another opcode) is not a request the monitor acts on.
std::optional<GetRequest> parseGetRequest(std::span<const uint8_t> written);
std::optional<SetRequest> parseSetRequest(std::span<const uint8_t> written);

struct VcpReading {
    uint8_t result = kVcpSupported;
    uint8_t code = 0;
    uint8_t type = kTypeSetParameter;
    uint16_t maximum = 0;
    uint16_t current = 0;
};
std::vector<uint8_t> getReply(const VcpReading& reading);
// What a monitor that has nothing to say yet answers.
std::vector<uint8_t> nullMessage();

}  // namespace lumivex::emulator
