#include "ddc_wire.h"

namespace lumivex::emulator {

uint8_t xorChecksum(uint8_t seed, std::span<const uint8_t> bytes)
{
    uint8_t sum = seed;
    for (uint8_t b : bytes)
        sum ^= b;
    return sum;
}

namespace {

// The body of a well-formed host message with the given opcode and body
// length, or nothing.
std::optional<std::span<const uint8_t>> hostBody(std::span<const uint8_t> written, uint8_t opcode, size_t bodyLength)
{
    const size_t total = 2 + bodyLength + 1;
    if (written.size() != total || written[0] != kHostAddress || written[1] != (0x80 | bodyLength))
        return std::nullopt;
    if (xorChecksum(kMonitorAddress, written.first(total - 1)) != written[total - 1])
        return std::nullopt;
    if (written[2] != opcode)
        return std::nullopt;
    return written.subspan(2, bodyLength);
}

}  // namespace

std::optional<GetRequest> parseGetRequest(std::span<const uint8_t> written)
{
    const auto body = hostBody(written, kGetVcpOpcode, 2);
    if (!body)
        return std::nullopt;
    return GetRequest{(*body)[1]};
}

std::optional<SetRequest> parseSetRequest(std::span<const uint8_t> written)
{
    const auto body = hostBody(written, kSetVcpOpcode, 4);
    if (!body)
        return std::nullopt;
    return SetRequest{(*body)[1], static_cast<uint16_t>(((*body)[2] << 8) | (*body)[3])};
}

std::vector<uint8_t> getReply(const VcpReading& reading)
{
    std::vector<uint8_t> reply{kMonitorAddress,
                               0x88,
                               kGetVcpReplyOpcode,
                               reading.result,
                               reading.code,
                               reading.type,
                               static_cast<uint8_t>(reading.maximum >> 8),
                               static_cast<uint8_t>(reading.maximum & 0xFF),
                               static_cast<uint8_t>(reading.current >> 8),
                               static_cast<uint8_t>(reading.current & 0xFF)};
    reply.push_back(xorChecksum(kReplyChecksumSeed, reply));
    return reply;
}

std::vector<uint8_t> nullMessage()
{
    std::vector<uint8_t> reply{kMonitorAddress, 0x80};
    reply.push_back(xorChecksum(kReplyChecksumSeed, reply));
    return reply;
}

}  // namespace lumivex::emulator
