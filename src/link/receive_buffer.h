#pragma once
// The receive buffer: 1000 signed entries, one received byte per entry,
// written at an 8-bit position that wraps from 255 to 0, so only entries
// 0..255 ever receive bytes. Replies are found by their two-byte header,
// not by their position, because bytes can arrive between exchanges.

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <span>

namespace lumivex {

// Why a scan took no reply: the first candidate passed over, so that a
// damaged reply is told apart from silence.
enum class ReplyFault {
    None,         // a reply was taken
    NoHeader,     // no entry pair carries the reply's length and command
    Incomplete,   // a header, but not all of its bytes arrived since the reset
    BadChecksum,  // a header and all its bytes, which do not sum to zero
};

struct ReplyScan {
    std::optional<int> position;  // the reply taken
    ReplyFault fault = ReplyFault::NoHeader;
    int arrived = 0;  // Incomplete: the candidate's bytes that arrived
    int sum = 0;      // BadChecksum: what its bytes summed to, modulo 256
};

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

    // The first position p in 0..500 whose entry is the reply length, whose
    // next entry is the command, whose `length` entries were all appended
    // since the last reset (so none lies past entry 255) and whose bytes
    // sum to zero modulo 256. Candidates failing a test are passed over.
    ReplyScan scanForReply(int32_t length, int32_t command) const;

    // Whether entry `index` received a byte since the last reset.
    bool wasAppended(int index) const;

private:
    std::array<int32_t, kEntries> m_entries{};
    std::bitset<kWritableEntries> m_appended;
    uint8_t m_writePosition = 0;
};

}  // namespace lumivex
