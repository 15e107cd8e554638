#pragma once
// Status values, event bits, line-error flags and time-out record shared by
// the serial port classes. The numbers are the ones the panel has always
// used, so callers and tests compare against the same values.

#include <cstdint>

namespace lumivex {

// The operation succeeded.
inline constexpr int32_t kSerialSuccess = 0;
// A completion record or a finite time-out was given to a port opened
// without overlapped I/O.
inline constexpr int32_t kSerialInvalidFunction = 1;
// The port is not open.
inline constexpr int32_t kSerialInvalidHandle = 6;
// open() was called on a port that is already open.
inline constexpr int32_t kSerialAlreadyOpen = 1247;
// A bounded wait expired; the pending operation was cancelled.
inline constexpr int32_t kSerialTimeout = 1460;
// An unknown handshake, read mode or notification message.
inline constexpr int32_t kSerialInvalidArgument = static_cast<int32_t>(0x80070057u);
// The operating system refused the operation; its errno is kept beside the
// status (SerialResult::osError, CSerial::lastOsError()), never as it, since
// errno numbers overlap the values above (EPERM is 1, ENXIO 6).
inline constexpr int32_t kSerialOsError = 0x20000000;

// A status with the errno behind it: osError is set for kSerialOsError only.
// Aligned as one 64-bit word, so that an atomic one needs no lock and no
// library call.
struct alignas(8) SerialResult {
    int32_t status = kSerialSuccess;
    int32_t osError = 0;

    bool failed() const { return status != kSerialSuccess; }
    friend bool operator==(const SerialResult&, const SerialResult&) = default;
};

// A wait without limit.
inline constexpr uint32_t kSerialInfinite = 0xFFFFFFFFu;

// Communication-event bits.
inline constexpr uint32_t kSerialEventRxChar = 0x0001;  // a character was received
inline constexpr uint32_t kSerialEventRxFlag = 0x0002;  // the event character was received
inline constexpr uint32_t kSerialEventBreak = 0x0040;   // a break was received
inline constexpr uint32_t kSerialEventError = 0x0080;   // a framing, parity or overrun error
inline constexpr uint32_t kSerialDefaultEventMask =
    kSerialEventRxChar | kSerialEventBreak | kSerialEventError;  // set on open

// Line-error flags handed to the event notification (high 16 bits of the
// posted first parameter).
inline constexpr uint32_t kSerialErrorRxOver = 0x0001;   // the input buffer overflowed
inline constexpr uint32_t kSerialErrorOverrun = 0x0002;  // the UART lost a character
inline constexpr uint32_t kSerialErrorParity = 0x0004;   // a parity error
inline constexpr uint32_t kSerialErrorFrame = 0x0008;    // a framing error
inline constexpr uint32_t kSerialErrorBreak = 0x0010;    // a break condition

// Handshake modes.
inline constexpr int32_t kSerialHandshakeOff = 0;
inline constexpr int32_t kSerialHandshakeHardware = 1;
inline constexpr int32_t kSerialHandshakeSoftware = 2;

// Read modes.
inline constexpr int32_t kSerialReadNonBlocking = 0;  // a read returns at once with what has arrived
inline constexpr int32_t kSerialReadBlocking = 1;     // a read waits for the whole length

// Parity codes.
inline constexpr int32_t kSerialParityNone = 0;
inline constexpr int32_t kSerialParityOdd = 1;
inline constexpr int32_t kSerialParityEven = 2;
inline constexpr int32_t kSerialParityMark = 3;
inline constexpr int32_t kSerialParitySpace = 4;

// Stop-bit codes.
inline constexpr int32_t kSerialStopOne = 0;
inline constexpr int32_t kSerialStopOneAndHalf = 1;  // only with 5 data bits
inline constexpr int32_t kSerialStopTwo = 2;         // not with 5 data bits

// Read and write time-outs in milliseconds. A read returns at once with what
// has arrived when the interval is kSerialInfinite and both read totals are
// 0; all zero means no time-out at all. A total of 0 means no total limit.
struct SerialTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;

    friend bool operator==(const SerialTimeouts&, const SerialTimeouts&) = default;
};

}  // namespace lumivex
