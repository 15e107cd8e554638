#include "link/serial_frame.h"

#include <algorithm>

namespace lumivex {

uint8_t frameChecksum(std::span<const uint8_t> bytes)
{
    uint8_t sum = 0;
    for (uint8_t byte : bytes)
        sum = static_cast<uint8_t>(sum + byte);
    return static_cast<uint8_t>(-sum);
}

std::span<const uint8_t> SerialFrame::fill(uint8_t command, std::span<const uint8_t> values)
{
    if (values.size() > kMaxValues)
        return {};
    const size_t length = values.size() + 3;
    bytes[0] = static_cast<uint8_t>(length);
    bytes[1] = command;
    std::copy(values.begin(), values.end(), bytes.begin() + 2);
    bytes[length - 1] = frameChecksum(std::span<const uint8_t>(bytes.data(), length - 1));
    return {bytes.data(), length};
}

}  // namespace lumivex
