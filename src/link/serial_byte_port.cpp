#include "link/serial_byte_port.h"

#include "link/serial/serial.h"

namespace lumivex {

void SerialBytePort::writeByte(uint8_t byte)
{
    m_port.write(&byte, 1, nullptr, nullptr, kSerialInfinite);
}

uint32_t SerialBytePort::readAvailable(uint8_t* buffer, uint32_t length)
{
    uint32_t count = 0;
    if (m_port.read(buffer, length, &count, nullptr, kSerialInfinite) != kSerialSuccess)
        return 0;
    return count;
}

bool SerialBytePort::waitForInput(Clock::time_point deadline)
{
    return m_port.waitForInput(deadline);
}

}  // namespace lumivex
