#pragma once
// A byte port whose bytes go through lumivexd's Exchange, so the channel
// rules run unchanged on a controller the service holds. Bytes are
// collected into frames (byte 0 is the frame's whole length): a command
// frame goes out whole at once, with no wait; a read request goes out when
// the caller waits for its reply, asking the service to wait until the
// caller's deadline. What comes back is handed out by readAvailable.

#include "link/byte_port.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace lumivex::service_link {

class ServiceController;

class ServiceBytePort : public BytePort {
public:
    // One exchange: the bytes that came back, or none when the call failed.
    using Exchange =
        std::function<std::optional<std::vector<uint8_t>>(std::span<const uint8_t> request, std::chrono::milliseconds wait)>;

    explicit ServiceBytePort(Exchange exchange);
    explicit ServiceBytePort(std::shared_ptr<ServiceController> controller);

    void writeByte(uint8_t byte) override;
    uint32_t readAvailable(uint8_t* buffer, uint32_t length) override;
    bool waitForInput(Clock::time_point deadline) override;

    // The longest wait the service takes in one exchange.
    static constexpr std::chrono::milliseconds kLongestWait{10000};

private:
    void send(std::chrono::milliseconds wait);

    Exchange m_exchange;
    std::vector<uint8_t> m_frame;
    bool m_requestHeld = false;  // a whole read request waits for waitForInput
    std::vector<uint8_t> m_input;
    size_t m_read = 0;
};

}  // namespace lumivex::service_link
