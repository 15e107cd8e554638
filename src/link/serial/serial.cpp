#include "link/serial/serial.h"

#include "link/serial/com_port_map.h"
#include "link/serial/line_state.h"
#include "link/serial/serial_error.h"

#include <cerrno>
#include <climits>
#include <string>

namespace lumivex {

CSerial::~CSerial()
{
    close();
}

int32_t CSerial::record(int32_t status)
{
    return record(SerialResult{status, 0});
}

int32_t CSerial::record(const SerialResult& result)
{
    m_lastResult.store(result);
    return result.status;
}

int32_t CSerial::open(const char* device, uint32_t /*inQueue*/, uint32_t /*outQueue*/,
                      bool overlapped)
{
    record(kSerialSuccess);
    if (isOpen())
        return record(kSerialAlreadyOpen);
    if (device == nullptr)
        return record(osFailure(EINVAL));
    const std::string path = ComPortMap::global().resolve(device);
    if (path.empty())
        return record(osFailure(ENOENT));
    SerialResult opened;
    std::shared_ptr<PortChannel> port = PortChannel::open(path, opened);
    if (!port)
        return record(opened);
    m_overlapped.store(overlapped);
    m_eventChar.store(0);
    m_pendingEvents.store(0);
    m_port.store(port);
    setEventMask(kSerialDefaultEventMask);
    setReadMode(kSerialReadNonBlocking);
    if (const SerialResult defaults = applyPortDefaults(port->handle()); defaults.failed())
        record(defaults);
    return lastError();
}

int32_t CSerial::close()
{
    record(kSerialSuccess);
    const std::shared_ptr<PortChannel> port = m_port.exchange(nullptr);
    if (!port)
        return kSerialSuccess;
    // Ends any operation still pending in a caller's record; the descriptor
    // closes when the last of them lets go of it.
    port->shutdown();
    m_overlapped.store(false);
    m_eventMask.store(0);
    m_pendingEvents.store(0);
    return kSerialSuccess;
}

int32_t CSerial::setLineParameters(uint32_t baudRate, int32_t dataBits, int32_t parity,
                                   int32_t stopBits)
{
    record(kSerialSuccess);
    const std::shared_ptr<PortChannel> port = m_port.load();
    if (!port)
        return record(kSerialInvalidHandle);
    if (baudRate > INT32_MAX)
        return record(osFailure(EINVAL));
    const LineParameters line{static_cast<int32_t>(baudRate), dataBits, parity, stopBits};
    return record(writeLineParameters(port->handle(), line));
}

int32_t CSerial::setEventChar(uint8_t character, bool adjustMask)
{
    record(kSerialSuccess);
    if (!isOpen())
        return record(kSerialInvalidHandle);
    m_eventChar.store(character);
    if (adjustMask)
        return setEventMask(eventMask() | kSerialEventRxFlag);
    return kSerialSuccess;
}

int32_t CSerial::setEventMask(uint32_t mask)
{
    record(kSerialSuccess);
    const std::shared_ptr<PortChannel> port = m_port.load();
    if (!port)
        return record(kSerialInvalidHandle);
    m_eventMask.store(mask);
    port->setMask(mask);
    return kSerialSuccess;
}

int32_t CSerial::setHandshake(int32_t mode)
{
    record(kSerialSuccess);
    const std::shared_ptr<PortChannel> port = m_port.load();
    if (!port)
        return record(kSerialInvalidHandle);
    if (mode < kSerialHandshakeOff || mode > kSerialHandshakeSoftware)
        return record(kSerialInvalidArgument);
    return record(writeHandshake(port->handle(), mode));
}

int32_t CSerial::setTimeouts(const SerialTimeouts& timeouts)
{
    record(kSerialSuccess);
    const std::shared_ptr<PortChannel> port = m_port.load();
    if (!port)
        return record(kSerialInvalidHandle);
    port->setTimeouts(timeouts);
    return kSerialSuccess;
}

int32_t CSerial::setReadMode(int32_t mode)
{
    record(kSerialSuccess);
    const std::shared_ptr<PortChannel> port = m_port.load();
    if (!port)
        return record(kSerialInvalidHandle);
    SerialTimeouts timeouts = port->timeouts();
    if (mode == kSerialReadNonBlocking)
        timeouts.readInterval = kSerialInfinite;
    else if (mode == kSerialReadBlocking)
        timeouts.readInterval = 0;
    else
        return record(kSerialInvalidArgument);
    timeouts.readTotalMultiplier = 0;
    timeouts.readTotalConstant = 0;
    port->setTimeouts(timeouts);
    return kSerialSuccess;
}

SerialTimeouts CSerial::timeouts() const
{
    const std::shared_ptr<PortChannel> port = m_port.load();
    return port ? port->timeouts() : SerialTimeouts{};
}

uint32_t CSerial::takePendingEvents()
{
    return m_pendingEvents.exchange(0) & m_eventMask.load();
}

SerialResult CSerial::clearLineErrors(uint32_t& flags)
{
    flags = 0;
    const std::shared_ptr<PortChannel> port = m_port.load();
    if (!port)
        return SerialResult{kSerialInvalidHandle};
    return port->clearLineErrors(flags);
}

}  // namespace lumivex
