#pragma once
// A completion record for the overlapped forms of read, write and wait for
// events. An operation that cannot complete when it is issued stays pending
// in the record; it goes on while its owner waits on the record, and its
// event is set once it has completed.

#include "link/serial/port_io.h"
#include "link/serial/serial_event.h"

#include <cstdint>

namespace lumivex {

class SerialOverlapped {
public:
    // With an event of its own.
    SerialOverlapped();
    // Bound to an event the caller keeps alive for the record's lifetime.
    explicit SerialOverlapped(const SerialEvent& event);
    ~SerialOverlapped();
    SerialOverlapped(const SerialOverlapped&) = delete;
    SerialOverlapped& operator=(const SerialOverlapped&) = delete;

    const SerialEvent& event() const { return *m_event; }
    bool pending() const { return m_pending; }

    // Lets a pending operation go on until it completes, timeoutMs passes
    // (kSerialInfinite: no limit) or the record's event is set by someone
    // else. 0 once complete, its result in status() and transferred();
    // kSerialTimeout while it is still pending.
    int32_t wait(uint32_t timeoutMs);
    // Gives up a pending operation; it fails with ECANCELED.
    void cancel();

    // The result of the last completed operation.
    int32_t status() const { return m_request.result.status; }
    int32_t osError() const { return m_request.result.osError; }
    const SerialResult& result() const { return m_request.result; }
    uint32_t transferred() const { return m_request.done; }

private:
    friend class CSerial;
    // Takes over a new request and does what can be done at once. Returns
    // true when it has completed already.
    bool start(IoRequest&& request);
    void complete();

    SerialEvent m_ownEvent;
    const SerialEvent* m_event;
    IoRequest m_request;
    bool m_pending = false;
};

}  // namespace lumivex
