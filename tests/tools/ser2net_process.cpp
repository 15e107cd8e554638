#include "ser2net_process.h"

#include "sim_process.h"

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumivex::testing {
namespace {

constexpr const char* kSer2Net = "/usr/sbin/ser2net";

bool listensIn(const char* table, uint16_t port)
{
    std::ifstream in(table);
    std::string line;
    std::getline(in, line);  // the heading
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state == "0A" && local.size() > 5 && local.compare(local.size() - 5, 5, wanted) == 0)
            return true;
    }
    return false;
}

sockaddr_in loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// A socket bound to a free loopback port; the port, 0 on failure.
uint16_t bindLoopback(int fd)
{
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

}  // namespace

bool Ser2NetProcess::installed()
{
    return access(kSer2Net, X_OK) == 0;
}

uint16_t freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const uint16_t port = bindLoopback(fd);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool isListening(uint16_t port)
{
    return listensIn("/proc/net/tcp", port) || listensIn("/proc/net/tcp6", port);
}

Ser2NetProcess::Ser2NetProcess(const std::string& devicePath, const std::string& folder)
    : m_logPath(folder + "/ser2net.log")
{
    // Distinct ports: each is free when asked, but the system may hand one
    // out twice once it is let go.
    for (size_t i = 0; i < m_ports.size(); ++i) {
        do
            m_ports[i] = freeLoopbackPort();
        while (std::find(m_ports.begin(), m_ports.begin() + long(i), m_ports[i]) != m_ports.begin() + long(i));
    }
    const std::string missing = folder + "/no-such-device";
    const std::string config = folder + "/ser2net.yaml";
    {
        std::ofstream out(config);
        const auto connection = [&](Ser2NetAccepter accepter, const std::string& device, const char* options = "") {
            const bool telnet = link(accepter).rfind("rfc2217:", 0) == 0;
            // "local": a pseudo-terminal has no modem lines to wait on. The
            // RFC 2217 accepters start at another speed, so that the line
            // set-up shows.
            out << "connection: &a" << int(accepter) << "\n"
                << "  accepter: " << (telnet ? "telnet(rfc2217),tcp" : "tcp") << ",127.0.0.1," << port(accepter) << "\n"
                << "  connector: serialdev," << device << "," << (telnet ? "9600n81" : "115200n81") << ",local\n"
                << options;
        };
        connection(Ser2NetAccepter::Raw, devicePath);
        connection(Ser2NetAccepter::Rfc2217, devicePath);
        connection(Ser2NetAccepter::RawNoDevice, missing);
        connection(Ser2NetAccepter::Rfc2217NoDevice, missing);
        connection(Ser2NetAccepter::RawTwoClients, devicePath, "  options:\n    max-connections: 2\n");
        connection(Ser2NetAccepter::RawNewestClient, devicePath, "  options:\n    kickolduser: true\n");
    }
    m_pid = fork();
    if (m_pid == 0) {
        const int log = ::open(m_logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        // -n: in the foreground; -d: no daemon, messages to stderr; -u: no
        // UUCP locks, which need /var/lock.
        execl(kSer2Net, kSer2Net, "-n", "-d", "-u", "-c", config.c_str(), "-P", (folder + "/ser2net.pid").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    m_started = m_pid > 0 && waitUntil([this] {
        return std::all_of(m_ports.begin(), m_ports.end(), [](uint16_t p) { return isListening(p); });
    });
}

Ser2NetProcess::~Ser2NetProcess()
{
    stop();
}

std::string Ser2NetProcess::link(Ser2NetAccepter accepter) const
{
    const bool telnet = accepter == Ser2NetAccepter::Rfc2217 || accepter == Ser2NetAccepter::Rfc2217NoDevice;
    return (telnet ? "rfc2217://127.0.0.1:" : "tcp://127.0.0.1:") + std::to_string(port(accepter));
}

std::string Ser2NetProcess::output() const
{
    std::ifstream in(m_logPath);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Ser2NetProcess::stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}

SilentListener::SilentListener(int backlog)
    : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    // Small buffers: a sender that is never read fills them soon.
    const int small = 4096;
    if (m_fd >= 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    const uint16_t port = bindLoopback(m_fd);
    if (port != 0 && ::listen(m_fd, backlog) == 0)
        m_port = port;
}

SilentListener::~SilentListener()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

HeldConnection::HeldConnection(uint16_t port)
    : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    const sockaddr_in address = loopback(port);
    if (m_fd >= 0 && ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

HeldConnection::~HeldConnection()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

}  // namespace lumivex::testing
