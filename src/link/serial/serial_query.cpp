// CSerial's getters and the port probe.
#include "link/serial/serial.h"

#include "link/serial/com_port_map.h"
#include "link/serial/line_state.h"
#include "link/serial/serial_error.h"

#include <cerrno>
#include <string>

namespace lumivex {
namespace {

constexpr int32_t kUnknown = -1;  // what a getter answers when the port cannot tell

}  // namespace

bool CSerial::queryLine(LineParameters& line)
{
    record(kSerialSuccess);
    const std::shared_ptr<PortChannel> port = m_port.load();
    if (!port) {
        record(kSerialInvalidHandle);
        return false;
    }
    return record(readLineParameters(port->handle(), line)) == kSerialSuccess;
}

int32_t CSerial::baudRate()
{
    LineParameters line;
    return queryLine(line) ? line.baudRate : kUnknown;
}

int32_t CSerial::dataBits()
{
    LineParameters line;
    return queryLine(line) ? line.dataBits : kUnknown;
}

int32_t CSerial::parity()
{
    LineParameters line;
    return queryLine(line) ? line.parity : kUnknown;
}

int32_t CSerial::stopBits()
{
    LineParameters line;
    return queryLine(line) ? line.stopBits : kUnknown;
}

int32_t CSerial::handshake()
{
    record(kSerialSuccess);
    const std::shared_ptr<PortChannel> port = m_port.load();
    if (!port) {
        record(kSerialInvalidHandle);
        return kUnknown;
    }
    int32_t mode = kSerialHandshakeOff;
    if (record(readHandshake(port->handle(), mode)) != kSerialSuccess)
        return kUnknown;
    return mode;
}

uint32_t CSerial::eventMask()
{
    return isOpen() ? m_eventMask.load() : 0;
}

uint8_t CSerial::eventChar()
{
    record(kSerialSuccess);
    if (!isOpen()) {
        record(kSerialInvalidHandle);
        return 0;
    }
    return m_eventChar.load();
}

int CSerial::probe(const char* device)
{
    if (device == nullptr)
        return probeAnswerFromStatus(osFailure(EINVAL));
    const std::string path = ComPortMap::global().resolve(device);
    if (path.empty())
        return probeAnswerFromStatus(osFailure(ENOENT));
    SerialResult result = PortChannel::tryOpen(path);
    // A node without its UART is no port, also when it is closed to us.
    const bool refused = result.osError == EACCES || result.osError == EPERM;
    if (result.status == kSerialOsError && refused && !uartFitted(path))
        result = osFailure(ENODEV);
    return probeAnswerFromStatus(result);
}

}  // namespace lumivex
