#pragma once
// The channel rules' view of a CSerial port: one-byte writes with an
// unlimited time-out and no completion record, and reads that the port's
// non-blocking read mode answers at once, and the port's own wait for input.

#include "link/byte_port.h"

namespace lumivex {

class CSerial;

class SerialBytePort final : public BytePort {
public:
    explicit SerialBytePort(CSerial& port)
        : m_port(port)
    {
    }

    void writeByte(uint8_t byte) override;
    uint32_t readAvailable(uint8_t* buffer, uint32_t length) override;
    bool waitForInput(Clock::time_point deadline) override;

private:
    CSerial& m_port;
};

}  // namespace lumivex
