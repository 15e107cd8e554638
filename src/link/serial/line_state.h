#pragma once
// The port's line state: speed, character format and flow control, read and
// written through the kernel's own terminal record.

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
int32_t applyPortDefaults(int handle);

int32_t readLineParameters(int handle, LineParameters& out);
// Fails with EINVAL, changing nothing, for values the line cannot take.
int32_t writeLineParameters(int handle, const LineParameters& in);

int32_t readHandshake(int handle, int32_t& mode);
// mode is one of kSerialHandshake…; the caller rejects others.
int32_t writeHandshake(int handle, int32_t mode);

}  // namespace lumivex
