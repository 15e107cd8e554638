#pragma once
// What the channel rules need of a serial port: one-byte writes that wait
// as long as the device needs, reads that return at once with what has
// arrived, and a wait for more input. LinkState adapts its CSerialMFC to
// this; tests and the fuzz target give scripted ports.

#include <chrono>
#include <cstdint>

namespace lumivex {

class BytePort {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~BytePort() = default;
    // One byte, unlimited time-out. The result is not the caller's concern.
    virtual void writeByte(uint8_t byte) = 0;
    // Up to length bytes of what has arrived, without waiting; a failed
    // read counts 0 bytes.
    virtual uint32_t readAvailable(uint8_t* buffer, uint32_t length) = 0;
    // Returns true once input has arrived; false when the deadline passes
    // first or the port can bring no more.
    virtual bool waitForInput(Clock::time_point deadline) = 0;
};

}  // namespace lumivex
