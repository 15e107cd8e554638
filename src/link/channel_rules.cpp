#include "link/channel_rules.h"

#include <array>

namespace lumivex {

void writeFrame(BytePort& port, std::span<const uint8_t> frame)
{
    for (uint8_t byte : frame)
        port.writeByte(byte);
}

void sendFrame(BytePort& port, SerialFrame& frame, uint8_t command, std::span<const uint8_t> values)
{
    writeFrame(port, frame.fill(command, values));
}

size_t drain(BytePort& port, ReceiveBuffer& buffer)
{
    std::array<uint8_t, kDrainChunk> chunk{};
    size_t total = 0;
    uint32_t count = 0;
    do {
        count = std::min(port.readAvailable(chunk.data(), kDrainChunk), kDrainChunk);
        buffer.append(std::span<const uint8_t>(chunk.data(), count));
        total += count;
    } while (count == kDrainChunk);
    return total;
}

ReplyScan requestAndScan(BytePort& port, SerialFrame& frame, ReceiveBuffer& buffer, ReadRequest request,
                         std::chrono::milliseconds wait)
{
    const uint8_t zero = 0;
    sendFrame(port, frame, request.command, std::span<const uint8_t>(&zero, 1));
    const auto deadline = BytePort::Clock::now() + wait;
    for (;;) {
        drain(port, buffer);
        const ReplyScan scan = buffer.scanForReply(request.replyLength, request.command);
        if (scan.position)
            return scan;
        if (BytePort::Clock::now() >= deadline || !port.waitForInput(deadline))
            break;
    }
    // What came in as the wait ended still counts.
    drain(port, buffer);
    return buffer.scanForReply(request.replyLength, request.command);
}

std::optional<ReadRequest> readRequestOf(std::span<const uint8_t> frame)
{
    if (frame.size() < 2)
        return std::nullopt;
    for (const ReadRequest& known : {requests::kSettings, requests::kDisplay, requests::kModel})
        if (frame[1] == known.command)
            return known;
    return std::nullopt;
}

std::vector<uint8_t> exchangeBytes(BytePort& port, std::span<const uint8_t> request, std::chrono::milliseconds wait)
{
    writeFrame(port, request);
    const std::optional<ReadRequest> expected = readRequestOf(request);
    const auto deadline = BytePort::Clock::now() + wait;
    std::vector<uint8_t> arrived;
    ReceiveBuffer seen;
    for (;;) {
        uint8_t chunk[kDrainChunk];
        uint32_t got = 0;
        while ((got = port.readAvailable(chunk, kDrainChunk)) > 0) {
            arrived.insert(arrived.end(), chunk, chunk + got);
            seen.append(std::span<const uint8_t>(chunk, got));
        }
        if (expected && seen.scanForReply(expected->replyLength, expected->command).position)
            return arrived;
        if (BytePort::Clock::now() >= deadline || !port.waitForInput(deadline))
            return arrived;
    }
}

}  // namespace lumivex
