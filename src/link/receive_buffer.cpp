#include "link/receive_buffer.h"

#include <algorithm>

namespace lumivex {

void ReceiveBuffer::append(uint8_t byte)
{
    m_entries[m_writePosition] = static_cast<int8_t>(byte);
    m_appended.set(m_writePosition);
    ++m_writePosition;  // 8 bits: wraps from 255 to 0
}

void ReceiveBuffer::append(std::span<const uint8_t> bytes)
{
    for (uint8_t byte : bytes)
        append(byte);
}

int32_t ReceiveBuffer::entry(int index) const
{
    return index >= 0 && index < kEntries ? m_entries[static_cast<size_t>(index)] : 0;
}

void ReceiveBuffer::setEntry(int index, int32_t value)
{
    if (index >= 0 && index < kEntries)
        m_entries[static_cast<size_t>(index)] = value;
}

void ReceiveBuffer::resetWritePosition()
{
    m_writePosition = 0;
    std::fill_n(m_entries.begin(), kWritableEntries, 0);
    m_appended.reset();
}

bool ReceiveBuffer::wasAppended(int index) const
{
    return index >= 0 && index < kWritableEntries && m_appended.test(size_t(index));
}

ReplyScan ReceiveBuffer::scanForReply(int32_t length, int32_t command) const
{
    ReplyScan scan;
    // The first candidate passed over tells why nothing was taken.
    const auto passOver = [&scan](ReplyFault fault, int arrived, int sum) {
        if (scan.fault == ReplyFault::NoHeader)
            scan = ReplyScan{std::nullopt, fault, arrived, sum};
    };
    for (int p = 0; p <= kLastScanPosition; ++p) {
        if (m_entries[size_t(p)] != length || m_entries[size_t(p) + 1] != command)
            continue;
        int arrived = 0;
        uint8_t sum = 0;
        while (arrived < length && wasAppended(p + arrived)) {
            sum = static_cast<uint8_t>(sum + m_entries[size_t(p + arrived)]);
            ++arrived;
        }
        if (arrived < length) {
            passOver(ReplyFault::Incomplete, arrived, 0);
            continue;
        }
        // The device sums every byte of a frame to zero.
        if (sum != 0) {
            passOver(ReplyFault::BadChecksum, 0, sum);
            continue;
        }
        return ReplyScan{p, ReplyFault::None};
    }
    return scan;
}

}  // namespace lumivex
