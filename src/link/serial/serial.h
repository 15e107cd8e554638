#pragma once
// CSerial: one serial port, opened by name, with its line state, time-outs
// and reads and writes, plain or overlapped. Every operation returns a
// status (serial_status.h) and keeps it as the object's last error, with the
// errno behind a kSerialOsError.

#include "link/serial/line_state.h"
#include "link/serial/port_channel.h"
#include "link/serial/serial_overlapped.h"
#include "link/serial/serial_status.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>

namespace lumivex {

class CSerial {
public:
    CSerial() = default;
    virtual ~CSerial();
    CSerial(const CSerial&) = delete;
    CSerial& operator=(const CSerial&) = delete;

    // device: "COMn" (see ComPortMap) or a device path. Queue sizes are the
    // driver's business on this system and are accepted as they are.
    virtual int32_t open(const char* device, uint32_t inQueue = 0, uint32_t outQueue = 0,
                         bool overlapped = false);
    virtual int32_t close();

    virtual int32_t setLineParameters(uint32_t baudRate, int32_t dataBits, int32_t parity,
                                      int32_t stopBits);
    // The character is kept and reported back; the system raises no event
    // for it.
    virtual int32_t setEventChar(uint8_t character, bool adjustMask = true);
    virtual int32_t setEventMask(uint32_t mask);
    // Waits for an event of the mask; the events are then in
    // takePendingEvents(). One wait at a time per port: a second one (the
    // event thread of CSerialEx already waits) fails with EBUSY (an OS error).
    virtual int32_t waitEvent(SerialOverlapped* overlapped = nullptr,
                              uint32_t timeoutMs = kSerialInfinite);
    virtual int32_t setHandshake(int32_t mode);
    virtual int32_t setTimeouts(const SerialTimeouts& timeouts);
    virtual int32_t setReadMode(int32_t mode);

    // −1 on failure.
    virtual int32_t baudRate();
    virtual int32_t dataBits();
    virtual int32_t parity();
    virtual int32_t stopBits();
    virtual int32_t handshake();
    // 0 when not open.
    virtual uint32_t eventMask();
    virtual uint8_t eventChar();

    virtual int32_t writeText(const char* text, uint32_t* written = nullptr,
                              SerialOverlapped* overlapped = nullptr,
                              uint32_t timeoutMs = kSerialInfinite);
    // With a finite time-out, or write time-outs that end the write early:
    // kSerialTimeout, and the count says how much went out (a read that is
    // cut short likewise hands over what it took from the port).
    virtual int32_t write(const void* data, uint32_t length, uint32_t* written = nullptr,
                          SerialOverlapped* overlapped = nullptr, uint32_t timeoutMs = kSerialInfinite);
    virtual int32_t read(void* buffer, uint32_t length, uint32_t* readCount = nullptr,
                         SerialOverlapped* overlapped = nullptr, uint32_t timeoutMs = kSerialInfinite);

    // Waits until input has arrived, the deadline passes or the port ends,
    // taking nothing; true only for input. Beside the event thread's wait,
    // not instead of it: the user-interface thread's own reply wait.
    virtual bool waitForInput(std::chrono::steady_clock::time_point deadline);

    // 0 available, 1 not present, 2 in use, 3 no permission, −1 any other
    // error.
    static int probe(const char* device);

    int32_t lastError() const { return m_lastResult.load().status; }
    // The errno when the last error is kSerialOsError, else 0.
    int32_t lastOsError() const { return m_lastResult.load().osError; }
    // Both at once: the event thread records its failures too.
    SerialResult lastResult() const { return m_lastResult.load(); }
    bool isOpen() const { return m_port.load() != nullptr; }
    SerialTimeouts timeouts() const;
    // The events of the last wait that the mask still selects; clears them.
    uint32_t takePendingEvents();

protected:
    // Records a status (with its errno) as the last error and returns it.
    int32_t record(int32_t status);
    int32_t record(const SerialResult& result);
    // waitEvent() for the event thread: the same wait, leaving the last error
    // to the user-interface thread's own operations.
    SerialResult startEventWait(SerialOverlapped& overlapped);
    // The line-error flags since the last call, clearing them.
    SerialResult clearLineErrors(uint32_t& flags);

private:
    // Reads the line state, recording the status; false on failure.
    bool queryLine(LineParameters& line);
    IoRequest eventWaitRequest();
    SerialResult transfer(IoRequest&& request, uint32_t* count, SerialOverlapped* overlapped,
                          uint32_t timeoutMs);
    int32_t refuseTransfer(const std::shared_ptr<PortChannel>& port, SerialOverlapped* overlapped,
                           uint32_t timeoutMs) const;

    // One atomic, so a status is never read with another failure's errno.
    std::atomic<SerialResult> m_lastResult{SerialResult{}};
    static_assert(std::atomic<SerialResult>::is_always_lock_free);
    std::atomic<std::shared_ptr<PortChannel>> m_port;
    std::atomic<uint32_t> m_pendingEvents{0};
    std::atomic<uint32_t> m_eventMask{0};
    // Stands for the I/O event of an overlapped port: operations issued
    // without a record complete inside the call, so nothing waits on one.
    std::atomic<bool> m_overlapped{false};
    std::atomic<uint8_t> m_eventChar{0};
};

}  // namespace lumivex
