#pragma once
// The transmit frame: length N, command, N - 3 value bytes and a checksum.
// The device sums every byte of a frame to zero, so the checksum is the
// two's complement of the sum of the others.

#include <array>
#include <cstdint>
#include <span>

namespace lumivex {

// Sum of the bytes in 8-bit arithmetic, negated.
uint8_t frameChecksum(std::span<const uint8_t> bytes);

struct SerialFrame {
    // The longest frame sent: the bezel mask, with four value bytes.
    static constexpr int kCapacity = 7;
    static constexpr int kMaxValues = kCapacity - 3;

    std::array<uint8_t, kCapacity> bytes{};

    // Fills length, command, values and checksum, and returns the filled
    // bytes; bytes past them keep what an earlier frame left. More than
    // kMaxValues values fill nothing and return an empty span.
    std::span<const uint8_t> fill(uint8_t command, std::span<const uint8_t> values);
};

}  // namespace lumivex
