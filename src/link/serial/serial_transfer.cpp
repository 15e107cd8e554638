// CSerial's reads, writes and waits for events: one pattern for all three.
#include "link/serial/serial.h"

#include <cstring>
#include <utility>

namespace lumivex {

int32_t CSerial::refuseTransfer(const std::shared_ptr<PortChannel>& port,
                                SerialOverlapped* overlapped, uint32_t timeoutMs) const
{
    if (!port)
        return kSerialInvalidHandle;
    if (!m_overlapped.load() && (overlapped != nullptr || timeoutMs != kSerialInfinite))
        return kSerialInvalidFunction;
    return kSerialSuccess;
}

SerialResult CSerial::transfer(IoRequest&& request, uint32_t* count, SerialOverlapped* overlapped,
                               uint32_t timeoutMs)
{
    uint32_t localCount = 0;
    uint32_t& done = count ? *count : localCount;
    done = 0;
    std::shared_ptr<PortChannel> port = m_port.load();
    if (const int32_t refused = refuseTransfer(port, overlapped, timeoutMs))
        return SerialResult{refused};
    // Whoever reads has looked at the input: the next arrival is news again.
    if (request.kind == IoKind::Read)
        port->noteRead();
    request.timeouts = port->timeouts();
    request.channel = std::move(port);
    if (overlapped != nullptr) {
        // Pending in the caller's record: the caller waits on it.
        if (!overlapped->start(std::move(request)))
            return {};
        done = overlapped->transferred();
        return overlapped->result();
    }
    beginIo(request);
    const bool completed = advanceIo(request, Deadline::after(timeoutMs), -1);
    // A read cut short still hands over the bytes it took from the port.
    done = request.done;
    if (!completed) {
        abandonIo(request);
        return SerialResult{kSerialTimeout};
    }
    return request.result;
}

IoRequest CSerial::eventWaitRequest()
{
    IoRequest request;
    request.kind = IoKind::WaitEvents;
    request.eventsOut = &m_pendingEvents;
    return request;
}

int32_t CSerial::waitEvent(SerialOverlapped* overlapped, uint32_t timeoutMs)
{
    return record(transfer(eventWaitRequest(), nullptr, overlapped, timeoutMs));
}

SerialResult CSerial::startEventWait(SerialOverlapped& overlapped)
{
    return transfer(eventWaitRequest(), nullptr, &overlapped, kSerialInfinite);
}

int32_t CSerial::write(const void* data, uint32_t length, uint32_t* written,
                       SerialOverlapped* overlapped, uint32_t timeoutMs)
{
    IoRequest request;
    request.kind = IoKind::Write;
    request.writeData = static_cast<const uint8_t*>(data);
    request.length = data ? length : 0;
    return record(transfer(std::move(request), written, overlapped, timeoutMs));
}

int32_t CSerial::writeText(const char* text, uint32_t* written, SerialOverlapped* overlapped,
                           uint32_t timeoutMs)
{
    const uint32_t length = text ? static_cast<uint32_t>(std::strlen(text)) : 0;
    return write(text, length, written, overlapped, timeoutMs);
}

int32_t CSerial::read(void* buffer, uint32_t length, uint32_t* readCount,
                      SerialOverlapped* overlapped, uint32_t timeoutMs)
{
    IoRequest request;
    request.kind = IoKind::Read;
    request.readBuffer = static_cast<uint8_t*>(buffer);
    request.length = buffer ? length : 0;
    return record(transfer(std::move(request), readCount, overlapped, timeoutMs));
}

bool CSerial::waitForInput(std::chrono::steady_clock::time_point deadline)
{
    const std::shared_ptr<PortChannel> port = m_port.load();
    return port && lumivex::waitForInput(*port, Deadline::at(deadline));
}

}  // namespace lumivex
