#pragma once
// A link to a serial device server over TCP, beside the serial port behind
// the channel's byte-port seam. A reader thread takes what the server sends
// (Telnet-decoded for RFC 2217) into a bounded queue and tells the owner once
// per batch; writes go out on the caller's thread, each bounded in time, so a
// server that stops reading never hangs the link.

#include "link/byte_port.h"
#include "link/net/network_address.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumivex {

// Why a server closed a connection at once, from the words it sent before
// closing (Telnet-decoded): a server that names its serial device cannot
// open it or finds it held; any other words, or none, mean it serves
// another client.
enum class ServerRefusal { InUse, DeviceUnavailable };
ServerRefusal refusalFromWords(const std::vector<uint8_t>& words);

namespace telnet {
class TelnetSession;
}

class NetworkPort final : public BytePort {
public:
    struct Timing {
        // Name lookup, connect and the RFC 2217 line set-up, together.
        std::chrono::milliseconds connect{2000};
        // A raw open knocks with a second connection: a one-connection
        // server refuses the knock at once, which says the first one is
        // served. A server that answers neither (it takes several clients,
        // or hands the line to the newest) has this long to close on us.
        std::chrono::milliseconds settle{100};
        // One write that the server does not take.
        std::chrono::milliseconds write{2000};
    };
    // Called on the reader thread when input arrives and none is waiting
    // unread; it must only post.
    using InputNotice = std::function<void()>;

    // What the server holds at most unread; more is dropped, as a UART
    // overruns.
    static constexpr size_t kInputLimit = 64 * 1024;

    NetworkPort();
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    // 0, or an errno value: ENOENT (no such host), ECONNREFUSED, ETIMEDOUT,
    // EBUSY (the server serves another client), EIO (the server cannot open
    // its serial device), EPROTO (no COM port control), or what the system
    // said. problem() then says it in words.
    int32_t open(const NetworkAddress& address, const Timing& timing, InputNotice notice);
    void close();

    bool isOpen() const { return m_socket >= 0; }
    // The server closed the connection, or a write did not complete.
    bool isBroken() const { return m_broken.load(); }
    const std::string& problem() const { return m_problem; }
    // RFC 2217: the baud rate the server reported setting; 0 otherwise.
    uint32_t serverBaudRate() const;

    void writeByte(uint8_t byte) override;
    uint32_t readAvailable(uint8_t* buffer, uint32_t length) override;
    bool waitForInput(Clock::time_point deadline) override;

private:
    int32_t fail(int32_t status, std::string problem);
    int32_t refused(const std::vector<uint8_t>& words);
    int32_t connectSocket(Clock::time_point deadline);
    int32_t knockAndSettle(Clock::time_point deadline);
    int32_t awaitSetUp(Clock::time_point deadline);
    void readerMain();
    // Whole or not at all within the write time; false marks the link broken.
    bool sendAll(const uint8_t* data, size_t length);
    void markBroken();

    NetworkAddress m_address;
    Timing m_timing;
    InputNotice m_notice;
    std::string m_problem;
    // Where the connection went (the system's socket address), for the
    // knock to go to the same place.
    std::vector<uint8_t> m_peer;
    int m_socket = -1;
    int m_stopEvent = -1;
    std::thread m_reader;

    std::mutex m_writeLock;  // one writer at a time: the caller, or the reader answering Telnet
    mutable std::mutex m_lock;  // guards the queue and the Telnet session
    std::condition_variable m_changed;
    std::deque<uint8_t> m_input;
    std::unique_ptr<telnet::TelnetSession> m_telnet;
    bool m_serverGone = false;
    std::atomic<bool> m_broken{false};
    std::atomic<bool> m_noticePending{false};
};

}  // namespace lumivex
