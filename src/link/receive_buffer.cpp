#include "receive_buffer.h"

#include <algorithm>

namespace lumivex {

void ReceiveBuffer::append(uint8_t byte)
{
    m_entries[m_writePosition] = static_cast<int8_t>(byte);
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
}

std::optional<int> ReceiveBuffer::findHeader(int32_t length, int32_t command) const
{
    for (int p = 0; p <= kLastScanPosition; ++p) {
        if (m_entries[size_t(p)] == length && m_entries[size_t(p) + 1] == command)
            return p;
    }
    return std::nullopt;
}

}  // namespace lumivex
