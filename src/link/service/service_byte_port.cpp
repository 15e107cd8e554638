#include "link/service/service_byte_port.h"

#include "link/replies.h"
#include "link/service/service_controller.h"

#include <algorithm>
#include <cstring>

namespace lumivex::service_link {

namespace {

bool isReadRequest(std::span<const uint8_t> frame)
{
    if (frame.size() < 2)
        return false;
    for (const ReadRequest& known : {requests::kSettings, requests::kDisplay, requests::kModel})
        if (frame[1] == known.command)
            return true;
    return false;
}

}  // namespace

ServiceBytePort::ServiceBytePort(Exchange exchange)
    : m_exchange(std::move(exchange))
{
}

ServiceBytePort::ServiceBytePort(std::shared_ptr<ServiceController> controller)
    : ServiceBytePort([controller](std::span<const uint8_t> request, std::chrono::milliseconds wait) {
        return controller->exchange(request, wait);
    })
{
}

void ServiceBytePort::writeByte(uint8_t byte)
{
    // A request nobody waited for still goes out before the next frame.
    if (m_requestHeld)
        send(std::chrono::milliseconds(0));
    m_frame.push_back(byte);
    // A length byte below 2 cannot frame anything: it goes out alone.
    const size_t whole = std::max<size_t>(m_frame.front(), 1);
    if (m_frame.size() < whole)
        return;
    if (isReadRequest(m_frame))
        m_requestHeld = true;
    else
        send(std::chrono::milliseconds(0));
}

uint32_t ServiceBytePort::readAvailable(uint8_t* buffer, uint32_t length)
{
    const size_t count = std::min<size_t>(length, m_input.size() - m_read);
    if (count)
        std::memcpy(buffer, m_input.data() + m_read, count);
    m_read += count;
    if (m_read == m_input.size()) {
        m_input.clear();
        m_read = 0;
    }
    return uint32_t(count);
}

bool ServiceBytePort::waitForInput(Clock::time_point deadline)
{
    if (m_read < m_input.size())
        return true;
    if (!m_requestHeld)
        return false;  // nothing asked: nothing more comes
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    send(std::clamp(left, std::chrono::milliseconds(0), kLongestWait));
    return m_read < m_input.size();
}

void ServiceBytePort::send(std::chrono::milliseconds wait)
{
    const std::vector<uint8_t> frame = std::move(m_frame);
    m_frame.clear();
    m_requestHeld = false;
    if (const auto reply = m_exchange(frame, wait))
        m_input.insert(m_input.end(), reply->begin(), reply->end());
}

}  // namespace lumivex::service_link
