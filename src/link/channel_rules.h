#pragma once
// The rules every page follows on the serial line: a frame goes out one
// byte per write, a drain moves what has arrived into the receive buffer,
// and a read-back is a request, a wait, a drain and a scan.

#include "link/byte_port.h"
#include "link/receive_buffer.h"
#include "link/replies.h"
#include "link/serial_frame.h"

#include <cstddef>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

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
// until the scan of positions 0..500 takes a whole reply or the wait has
// passed. A reply taken lies wholly in entries appended before, and an
// earlier candidate would too, so later bytes cannot change what the scan
// takes: the wait can end. The write position is left as it is:
// resetting it is the caller's choice.
ReplyScan requestAndScan(BytePort& port, SerialFrame& frame, ReceiveBuffer& buffer, ReadRequest request,
                         std::chrono::milliseconds wait);

// The read request a frame is (settings, display, model), by its command;
// none for a command that changes the controller.
std::optional<ReadRequest> readRequestOf(std::span<const uint8_t> frame);

// One exchange on behalf of another program (the service's clients): the
// request's bytes as they stand, then what arrives: for one of the read
// requests until its reply is whole or the wait has passed, for anything
// else until the wait has passed (none: what is there at once). The
// client scans the bytes with its own rules.
std::vector<uint8_t> exchangeBytes(BytePort& port, std::span<const uint8_t> request, std::chrono::milliseconds wait);

}  // namespace lumivex
