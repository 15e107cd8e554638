#pragma once
// The port's line state: speed, character format and flow control, read and
// written through the kernel's own terminal record.

#include "link/serial/serial_status.h"

#include <cstdint>

namespace lumivex {

struct LineParameters {
    int32_t baudRate = 0;
    int32_t dataBits = 0;
    int32_t parity = 0;    // kSerialParity…
    int32_t stopBits = 0;  // kSerialStop…
};

// Raw 8-bit characters, receiver on, no echo or translation, modem status
// lines ignored, no flow control; keeps the current speed.
SerialResult applyPortDefaults(int handle);

SerialResult readLineParameters(int handle, LineParameters& out);
// Fails with EINVAL, changing nothing, for values the line cannot take.
SerialResult writeLineParameters(int handle, const LineParameters& in);

SerialResult readHandshake(int handle, int32_t& mode);
// mode is one of kSerialHandshake…; the caller rejects others.
SerialResult writeHandshake(int handle, int32_t mode);

}  // namespace lumivex
