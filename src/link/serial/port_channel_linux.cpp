#include "link/serial/port_channel.h"

#include "link/serial/serial_error.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace lumivex {
namespace {

// Opens the device and takes its lock; -1 and the failure on failure. The
// lock is held by the open file, so the kernel drops it when the program dies.
int openLocked(const std::string& path, SerialResult& result)
{
    const int handle = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        result = osFailure(errno);
        return -1;
    }
    int failure = 0;
    if (!isatty(handle))
        failure = errno;
    else if (flock(handle, LOCK_EX | LOCK_NB) != 0)
        failure = errno;
    if (failure != 0) {
        ::close(handle);
        result = osFailure(failure);
        return -1;
    }
    result = {};
    return handle;
}

uint32_t changed(uint32_t now, uint32_t before, uint32_t flag)
{
    return now != before ? flag : 0;
}

}  // namespace

std::shared_ptr<PortChannel> PortChannel::open(const std::string& path, SerialResult& result)
{
    const int handle = openLocked(path, result);
    if (handle < 0)
        return nullptr;
    // The lock keeps out programs that take it too; the exclusive-tty flag
    // also keeps out those that do not (root excepted).
    if (ioctl(handle, TIOCEXCL) != 0) {
        result = osFailure(errno);
        ::close(handle);
        return nullptr;
    }
    std::shared_ptr<PortChannel> channel(new PortChannel(handle));
    result = channel->createEvents();
    if (result.failed())
        return nullptr;
    LineCounters counters;
    channel->m_hasCounters = !channel->readCounters(counters).failed();
    channel->m_eventBaseline = counters;
    channel->m_errorBaseline = counters;
    return channel;
}

SerialResult PortChannel::tryOpen(const std::string& path)
{
    SerialResult result;
    const int handle = openLocked(path, result);
    if (handle >= 0)
        ::close(handle);
    return result;
}

PortChannel::PortChannel(int handle)
    : m_handle(handle)
{
}

PortChannel::~PortChannel()
{
    // The exclusive flag lives on the terminal, not on this descriptor: clear
    // it, or a terminal that someone else keeps open stays barred.
    ioctl(m_handle, TIOCNXCL);
    ::close(m_handle);
}

SerialResult PortChannel::createEvents()
{
    if (const SerialResult result = m_wakeEvent.create(); result.failed())
        return result;
    return m_shutdownEvent.create();
}

void PortChannel::shutdown()
{
    m_shutDown.store(true);
    m_shutdownEvent.set();
}

SerialTimeouts PortChannel::timeouts() const
{
    std::lock_guard guard(m_lock);
    return m_timeouts;
}

void PortChannel::setTimeouts(const SerialTimeouts& timeouts)
{
    std::lock_guard guard(m_lock);
    m_timeouts = timeouts;
}

void PortChannel::setMask(uint32_t mask)
{
    m_mask.store(mask);
    m_maskGeneration.fetch_add(1);
    m_wakeEvent.set();
}

void PortChannel::noteRead()
{
    m_readEpoch.fetch_add(1);
    m_wakeEvent.set();
}

SerialResult PortChannel::inputCount(uint32_t& count) const
{
    int available = 0;
    if (ioctl(m_handle, FIONREAD, &available) != 0)
        return osFailure(errno);
    count = static_cast<uint32_t>(available);
    return {};
}

SerialResult PortChannel::readCounters(LineCounters& counters) const
{
    serial_icounter_struct raw{};
    if (ioctl(m_handle, TIOCGICOUNT, &raw) != 0)
        return osFailure(errno);
    counters.breaks = static_cast<uint32_t>(raw.brk);
    counters.frame = static_cast<uint32_t>(raw.frame);
    counters.overrun = static_cast<uint32_t>(raw.overrun);
    counters.parity = static_cast<uint32_t>(raw.parity);
    counters.bufferOverrun = static_cast<uint32_t>(raw.buf_overrun);
    return {};
}

uint32_t PortChannel::takeLineEvents()
{
    std::lock_guard guard(m_lock);
    LineCounters now;
    if (!m_hasCounters || readCounters(now).failed())
        return 0;
    const LineCounters& was = m_eventBaseline;
    const bool lineError = now.frame != was.frame || now.overrun != was.overrun ||
                           now.parity != was.parity || now.bufferOverrun != was.bufferOverrun;
    const uint32_t events =
        changed(now.breaks, was.breaks, kSerialEventBreak) | (lineError ? kSerialEventError : 0);
    m_eventBaseline = now;
    return events;
}

SerialResult PortChannel::clearLineErrors(uint32_t& flags)
{
    std::lock_guard guard(m_lock);
    flags = 0;
    if (!m_hasCounters)
        return {};
    LineCounters now;
    if (const SerialResult result = readCounters(now); result.failed())
        return result;
    const LineCounters& was = m_errorBaseline;
    flags = changed(now.bufferOverrun, was.bufferOverrun, kSerialErrorRxOver) |
            changed(now.overrun, was.overrun, kSerialErrorOverrun) |
            changed(now.parity, was.parity, kSerialErrorParity) |
            changed(now.frame, was.frame, kSerialErrorFrame) |
            changed(now.breaks, was.breaks, kSerialErrorBreak);
    m_errorBaseline = now;
    return {};
}

}  // namespace lumivex
