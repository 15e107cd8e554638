#pragma once
// The rules every page follows on the serial line: a frame goes out one
// byte per write, a drain moves what has arrived into the receive buffer,
// and a read-back is a request, a wait, a drain and a scan.

#include "byte_port.h"
#include "receive_buffer.h"
#include "replies.h"
#include "serial_frame.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace lumivex {

// Bytes asked for by each read of a drain.
inline constexpr uint32_t kDrainChunk = 500;

// Byte 0 to byte N-1, one write each, no pause between bytes; results are
// not examined.
void writeFrame(BytePort& port, std::span<const uint8_t> frame);

// Fills the transmit frame and writes it.
void sendFrame(BytePort& port, SerialFrame& frame, uint8_t command, std::span<const uint8_t> values);

// Reads up to 500 bytes at a time, appending each in order, and reads
// again while a read fills all 500. Returns the number of bytes appended.
size_t drain(BytePort& port, ReceiveBuffer& buffer);

// Runs between the request and the drain; the device's time to answer.
using ReplyWait = std::function<void()>;

// The four-byte request (length 4, command, 0, checksum), the wait, the
// drain, then the scan of positions 0..500 for the reply's header. The
// write position is left as it is: resetting it is the caller's choice.
std::optional<int> requestAndScan(BytePort& port, SerialFrame& frame, ReceiveBuffer& buffer,
                                  ReadRequest request, const ReplyWait& wait);

}  // namespace lumivex
