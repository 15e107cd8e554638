#include "link/serial/serial_event.h"

#include "link/serial/serial_error.h"
#include "link/serial/serial_status.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace lumivex {

SerialEvent::~SerialEvent()
{
    destroy();
}

SerialResult SerialEvent::create()
{
    destroy();
    m_handle = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_handle < 0)
        return osFailure(errno);
    return {};
}

void SerialEvent::destroy()
{
    if (m_handle >= 0)
        ::close(m_handle);
    m_handle = -1;
}

void SerialEvent::set() const
{
    if (m_handle < 0)
        return;
    // The counter only grows; an overflow would need 2^64 sets, so a failed
    // write can only mean the event is already set.
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_handle, &one, sizeof one);
}

void SerialEvent::reset() const
{
    if (m_handle < 0)
        return;
    // Reading a non-blocking eventfd clears it, or fails when already clear.
    uint64_t value = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_handle, &value, sizeof value);
}

bool SerialEvent::isSet() const
{
    if (m_handle < 0)
        return false;
    pollfd p{m_handle, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

}  // namespace lumivex
