#pragma once
// ser2net as a child process in front of a serial device (zepta-sim's
// pseudo-terminal): a raw and an RFC 2217 accepter on free loopback ports,
// as a serial device server in a rack offers them, and beside them the ways
// a server can be set up that a link has to tell apart.

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <string>

namespace lumivex::testing {

enum class Ser2NetAccepter {
    Raw,              // one client at a time, as ser2net does by default
    Rfc2217,
    RawNoDevice,      // its serial device does not exist
    Rfc2217NoDevice,
    RawTwoClients,    // takes a second client too
    RawNewestClient,  // a new client takes the line from the one before
};
inline constexpr size_t kSer2NetAccepters = 6;

class Ser2NetProcess {
public:
    // Whether this machine has ser2net at all.
    static bool installed();

    // Writes the configuration into folder and starts ser2net; started()
    // once both accepters listen.
    Ser2NetProcess(const std::string& devicePath, const std::string& folder);
    ~Ser2NetProcess();
    Ser2NetProcess(const Ser2NetProcess&) = delete;
    Ser2NetProcess& operator=(const Ser2NetProcess&) = delete;

    bool started() const { return m_started; }
    // "tcp://127.0.0.1:P" or "rfc2217://127.0.0.1:P"
    std::string link(Ser2NetAccepter accepter) const;
    uint16_t port(Ser2NetAccepter accepter) const { return m_ports[size_t(accepter)]; }
    std::string rawLink() const { return link(Ser2NetAccepter::Raw); }
    std::string rfc2217Link() const { return link(Ser2NetAccepter::Rfc2217); }
    uint16_t rawPort() const { return port(Ser2NetAccepter::Raw); }
    uint16_t rfc2217Port() const { return port(Ser2NetAccepter::Rfc2217); }
    // What ser2net printed (its debug output), for a failure's message.
    std::string output() const;

    // SIGTERM, and waits until it has ended: its clients see the
    // connection close.
    void stop();

private:
    pid_t m_pid = -1;
    bool m_started = false;
    std::array<uint16_t, kSer2NetAccepters> m_ports{};
    std::string m_logPath;
};

// A free TCP port on loopback, as the system hands one out.
uint16_t freeLoopbackPort();
// True once something listens on 127.0.0.1:port (read from /proc/net/tcp,
// without connecting, which a one-connection server would count).
bool isListening(uint16_t port);

// A socket on loopback that listens and never accepts: the kernel completes
// connections up to the backlog and buffers what they send, and nothing ever
// answers. Past the backlog, a handshake is dropped and a connect hangs.
class SilentListener {
public:
    explicit SilentListener(int backlog = 4);
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    uint16_t m_port = 0;
};

// A plain client connection, to hold a one-connection server's only slot.
class HeldConnection {
public:
    explicit HeldConnection(uint16_t port);
    ~HeldConnection();
    HeldConnection(const HeldConnection&) = delete;
    HeldConnection& operator=(const HeldConnection&) = delete;
    bool connected() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

}  // namespace lumivex::testing
