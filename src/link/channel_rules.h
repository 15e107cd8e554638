#pragma once
// The rules every page follows on the serial line: a frame goes out one
// byte per write, a drain moves what has arrived into the receive buffer,
// and a read-back is a request, a wait, a drain and a scan.

#include "byte_port.h"
#include "receive_buffer.h"
#include "replies.h"
#include "serial_frame.h"

#include <cstddef>
#include <chrono>
#include <cstdint>
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

// The four-byte request (length 4, command, 0, checksum), then drains
// until the reply is whole (isWholeReply) or the wait has passed, then the
// scan of positions 0..500 for the reply's header. The write position is
// left as it is: resetting it is the caller's choice.
std::optional<int> requestAndScan(BytePort& port, SerialFrame& frame, ReceiveBuffer& buffer,
                                  ReadRequest request, std::chrono::milliseconds wait);

// The reply the scan finds at `position` lies wholly below the write
// position and sums to zero. Later bytes land at the write position and
// beyond, so they cannot change what the scan takes: the wait can end.
bool isWholeReply(const ReceiveBuffer& buffer, ReadRequest request, int position);

}  // namespace lumivex
