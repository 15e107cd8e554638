#pragma once
// An open serial device and what every wait on it shares. Held through
// shared pointers: an operation still pending in a caller's completion
// record keeps the descriptor alive, so a closed port's number is never
// reused under it; shutdown() ends such operations.

#include "link/serial/serial_event.h"
#include "link/serial/serial_status.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace lumivex {

class PortChannel {
public:
    // Opens the device for reading and writing, exclusively. Null and the
    // failure's result on failure.
    static std::shared_ptr<PortChannel> open(const std::string& path, SerialResult& result);
    // Opens exclusively and closes at once, leaving nothing behind; the
    // result of the attempt.
    static SerialResult tryOpen(const std::string& path);

    ~PortChannel();
    PortChannel(const PortChannel&) = delete;
    PortChannel& operator=(const PortChannel&) = delete;

    int handle() const { return m_handle; }

    // Ends every wait on the channel; later operations fail with ECANCELED.
    void shutdown();
    bool isShutDown() const { return m_shutDown.load(); }
    int shutdownHandle() const { return m_shutdownEvent.nativeHandle(); }

    SerialTimeouts timeouts() const;
    void setTimeouts(const SerialTimeouts& timeouts);

    // The event mask; changing it completes pending event waits with no event.
    uint32_t mask() const { return m_mask.load(); }
    void setMask(uint32_t mask);
    uint64_t maskGeneration() const { return m_maskGeneration.load(); }

    // Character-received is reported once per batch of input: a reader
    // looking at the port re-arms it, so an unread input never wakes a wait
    // over and over.
    void noteRead();
    uint64_t readEpoch() const { return m_readEpoch.load(); }
    bool inputArmed() const { return m_lookedEpoch.load() != m_readEpoch.load(); }
    void markInputLooked(uint64_t epoch) { m_lookedEpoch.store(epoch); }
    const SerialEvent& wakeEvent() const { return m_wakeEvent; }

    // One event wait at a time.
    bool claimEventWait() { return !m_eventWaitActive.exchange(true); }
    void releaseEventWait() { m_eventWaitActive.store(false); }

    SerialResult inputCount(uint32_t& count) const;
    // Break and line-error event bits seen since the last call; 0 where the
    // driver keeps no counters (a pseudo-terminal).
    uint32_t takeLineEvents();
    // The line-error flags since the last call, clearing them.
    SerialResult clearLineErrors(uint32_t& flags);

private:
    struct LineCounters {
        uint32_t breaks = 0;
        uint32_t frame = 0;
        uint32_t overrun = 0;
        uint32_t parity = 0;
        uint32_t bufferOverrun = 0;
    };

    explicit PortChannel(int handle);
    SerialResult createEvents();
    SerialResult readCounters(LineCounters& counters) const;

    const int m_handle;
    SerialEvent m_wakeEvent;
    SerialEvent m_shutdownEvent;
    std::atomic<bool> m_shutDown{false};
    std::atomic<uint32_t> m_mask{0};
    std::atomic<uint64_t> m_maskGeneration{0};
    std::atomic<uint64_t> m_readEpoch{1};
    std::atomic<uint64_t> m_lookedEpoch{0};
    std::atomic<bool> m_eventWaitActive{false};

    mutable std::mutex m_lock;  // guards the time-outs and the counter baselines
    SerialTimeouts m_timeouts;
    bool m_hasCounters = false;
    LineCounters m_eventBaseline;
    LineCounters m_errorBaseline;
};

}  // namespace lumivex
