#pragma once
// The receive buffer: 1000 signed entries, one received byte per entry,
// written at an 8-bit position that wraps from 255 to 0, so only entries
// 0..255 ever receive bytes. Replies are found by their two-byte header,
// not by their position, because bytes can arrive between exchanges.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace lumivex {

class ReceiveBuffer {
public:
    static constexpr int kEntries = 1000;
    // The last position a reply header may start at.
    static constexpr int kLastScanPosition = 500;
    // Entries the write position reaches.
    static constexpr int kWritableEntries = 256;

    // Stores the byte as a signed 8-bit value widened (0xF8 becomes -8) at
    // the write position, then moves the position on.
    void append(uint8_t byte);
    void append(std::span<const uint8_t> bytes);

    // index 0..kEntries-1; anything else reads as 0 and writes nothing.
    int32_t entry(int index) const;
    void setEntry(int index, int32_t value);
    uint8_t writePosition() const { return m_writePosition; }

    // Back to position 0, clearing entries 0..255 as well, so that a reply
    // received before can never be found again as the device's state.
    void resetWritePosition();

    // The first position p in 0..500 whose entry is the reply length and
    // whose next entry is the command.
    std::optional<int> findHeader(int32_t length, int32_t command) const;

private:
    std::array<int32_t, kEntries> m_entries{};
    uint8_t m_writePosition = 0;
};

}  // namespace lumivex
