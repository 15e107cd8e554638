#include "link/serial/serial_overlapped.h"

#include <utility>

namespace lumivex {

SerialOverlapped::SerialOverlapped()
    : m_event(&m_ownEvent)
{
    // Without an event the record still works; only polling it is lost.
    m_ownEvent.create();
}

SerialOverlapped::SerialOverlapped(const SerialEvent& event)
    : m_event(&event)
{
}

SerialOverlapped::~SerialOverlapped()
{
    cancel();
}

bool SerialOverlapped::start(IoRequest&& request)
{
    cancel();
    m_event->reset();
    m_request = std::move(request);
    beginIo(m_request);
    m_pending = !advanceIo(m_request, Deadline::now(), -1);
    if (!m_pending)
        complete();
    return !m_pending;
}

void SerialOverlapped::complete()
{
    m_pending = false;
    m_event->set();
}

int32_t SerialOverlapped::wait(uint32_t timeoutMs)
{
    if (!m_pending)
        return kSerialSuccess;
    if (!advanceIo(m_request, Deadline::after(timeoutMs), m_event->nativeHandle()))
        return kSerialTimeout;
    complete();
    return kSerialSuccess;
}

void SerialOverlapped::cancel()
{
    if (!m_pending)
        return;
    abandonIo(m_request);
    complete();
}

}  // namespace lumivex
