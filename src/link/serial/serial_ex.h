#pragma once
// CSerialEx: a serial port with an event thread that waits for the port's
// events and hands each one to onEvent(). The thread sleeps in poll() on the
// port and on the thread event, which stop sets; a hang-up (an unplugged
// adapter, a closed other end) ends it instead of waking it again and again.

#include "link/serial/serial.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace lumivex {

class CSerialEx : public CSerial {
public:
    CSerialEx() = default;
    // A class that overrides onEvent() closes the port in its own destructor,
    // so that the thread never calls into a half-destroyed object.
    ~CSerialEx() override;

    // Always overlapped; the last flag asks for the event thread to start.
    int32_t open(const char* device, uint32_t inQueue = 0, uint32_t outQueue = 0,
                 bool startThread = false) override;
    // Stops the event thread, waiting for it, and only then closes the port.
    int32_t close() override;

    virtual int32_t startEventThread();
    // kSerialTimeout when the thread has not ended within timeoutMs; it is
    // still told to stop and ends by itself.
    virtual int32_t stopEventThread(uint32_t timeoutMs = kSerialInfinite);

    // Runs on the event thread for every wait that reports events of the
    // mask; errors are the line-error flags read after it.
    virtual void onEvent(uint32_t events, uint32_t errors) = 0;

    bool eventThreadRunning() const { return m_threadRunning.load(); }

private:
    void threadMain();
    // One wait for events and its notification; false when the thread ends.
    bool runOneWait(SerialOverlapped& overlapped);
    bool waitForThreadEnd(uint32_t timeoutMs);

    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
    SerialEvent m_threadEvent;
    std::atomic<bool> m_threadRunning{false};
    std::mutex m_endLock;  // with m_ended: stop waits for the thread's end
    std::condition_variable m_ended;
};

}  // namespace lumivex
