#pragma once
// One read, write or event wait on a port, carried out in steps: what can be
// done at once when it is issued, the rest while someone waits for it.

#include "link/serial/port_channel.h"
#include "link/serial/serial_status.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

namespace lumivex {

using SerialClock = std::chrono::steady_clock;

// A point in time to stop waiting at, or never.
class Deadline {
public:
    static Deadline now() { return Deadline(SerialClock::now()); }
    static Deadline never() { return Deadline(); }
    static Deadline at(SerialClock::time_point when) { return Deadline(when); }
    static Deadline after(uint32_t milliseconds);  // kSerialInfinite: never
    static Deadline earlier(const Deadline& a, const Deadline& b);

    bool isNever() const { return m_never; }
    bool passed() const;
    // Milliseconds left, rounded up, for poll(): -1 for never.
    int pollTimeout() const;

private:
    Deadline() = default;
    explicit Deadline(SerialClock::time_point at)
        : m_at(at), m_never(false)
    {
    }
    SerialClock::time_point m_at{};
    bool m_never = true;
};

enum class IoKind : uint8_t { Read, Write, WaitEvents };

struct IoRequest {
    IoKind kind = IoKind::Read;
    std::shared_ptr<PortChannel> channel;
    uint8_t* readBuffer = nullptr;
    const uint8_t* writeData = nullptr;
    uint32_t length = 0;
    uint32_t done = 0;
    SerialTimeouts timeouts{};
    SerialClock::time_point started{};
    SerialClock::time_point lastByte{};
    std::atomic<uint32_t>* eventsOut = nullptr;  // where an event wait stores its events
    uint64_t maskGeneration = 0;
    bool complete = false;
    SerialResult result;
};

// Prepares a request on a channel; an event wait claims the channel's one
// wait slot (a second concurrent wait completes at once with EBUSY).
void beginIo(IoRequest& request);

// Carries the request on until it completes, `limit` passes, or `interrupt`
// (a pollable descriptor, -1 for none) becomes readable. Returns true once it
// has completed; its result and count are then in the request.
bool advanceIo(IoRequest& request, const Deadline& limit, int interrupt);

// Gives up a request that has not completed: it fails with ECANCELED.
void abandonIo(IoRequest& request);

// Waits, reading nothing, until the port has input, `until` passes, or the
// port can bring no more (hung up, shut down). True only for input.
bool waitForInput(PortChannel& channel, const Deadline& until);

}  // namespace lumivex
