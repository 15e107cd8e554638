#include "link/net/network_port.h"

#include "link/net/telnet_session.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lumivex {
namespace {

using Clock = BytePort::Clock;

int pollTimeout(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

// What a name lookup hands back; shared with its thread, which may outlive
// the wait for it.
struct Lookup {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    int result = EAI_AGAIN;
    std::vector<sockaddr_storage> addresses;
    std::vector<socklen_t> lengths;
};

void runLookup(const std::shared_ptr<Lookup>& lookup, const std::string& host, uint16_t port, int flags)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV | AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int result = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    std::lock_guard guard(lookup->lock);
    lookup->result = result;
    for (addrinfo* entry = found; result == 0 && entry; entry = entry->ai_next) {
        sockaddr_storage address{};
        std::memcpy(&address, entry->ai_addr, std::min<size_t>(entry->ai_addrlen, sizeof address));
        lookup->addresses.push_back(address);
        lookup->lengths.push_back(entry->ai_addrlen);
    }
    if (found)
        freeaddrinfo(found);
    lookup->finished = true;
    lookup->done.notify_all();
}

// A literal address answers at once; a name is looked up on a thread of its
// own, so that a resolver that does not answer costs no more than the
// deadline.
std::shared_ptr<Lookup> lookUp(const std::string& host, uint16_t port, Clock::time_point deadline)
{
    auto lookup = std::make_shared<Lookup>();
    runLookup(lookup, host, port, AI_NUMERICHOST);
    if (lookup->result == 0)
        return lookup;
    lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, port] { runLookup(lookup, host, port, 0); }).detach();
    std::unique_lock guard(lookup->lock);
    lookup->done.wait_until(guard, deadline, [&] { return lookup->finished; });
    return lookup;
}

int connectOne(const sockaddr_storage& address, socklen_t length, Clock::time_point deadline, int& error)
{
    const int fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        if (errno != EINPROGRESS) {
            error = errno;
            ::close(fd);
            return -1;
        }
        pollfd entry{fd, POLLOUT, 0};
        int ready = 0;
        do
            ready = ::poll(&entry, 1, pollTimeout(deadline));
        while (ready < 0 && errno == EINTR);
        int soError = 0;
        socklen_t soLength = sizeof soError;
        if (ready == 0)
            soError = ETIMEDOUT;
        else if (ready < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &soLength) != 0)
            soError = errno;
        if (soError != 0) {
            error = soError;
            ::close(fd);
            return -1;
        }
    }
    // Frames go out byte by byte; each should leave at once.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    // Frames are a few bytes: a server that stops taking them is noticed
    // after kilobytes queued, not megabytes.
    const int sendBuffer = 16 * 1024;
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    return fd;
}

// Appends what has come on a socket, without waiting; false once the other
// end has closed (or reset) it.
bool takeWhatCame(int fd, std::vector<uint8_t>& into)
{
    uint8_t chunk[4096];
    for (;;) {
        const ssize_t count = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (count > 0) {
            into.insert(into.end(), chunk, chunk + count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        return count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

std::string seconds(std::chrono::milliseconds time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g s", static_cast<double>(time.count()) / 1000.0);
    return text;
}

}  // namespace

ServerRefusal refusalFromWords(const std::vector<uint8_t>& words)
{
    // ser2net, for one, says "Port already in use" to a client beyond its
    // one, but "Port's device already in use" or "Device open failure: …"
    // when it cannot have its serial device.
    std::string text(words.begin(), words.end());
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text.find("device") != std::string::npos ? ServerRefusal::DeviceUnavailable : ServerRefusal::InUse;
}

NetworkPort::NetworkPort() = default;

NetworkPort::~NetworkPort()
{
    close();
}

int32_t NetworkPort::fail(int32_t status, std::string problem)
{
    close();
    m_problem = std::move(problem);
    return status;
}

int32_t NetworkPort::open(const NetworkAddress& address, const Timing& timing, InputNotice notice)
{
    if (isOpen())
        return EALREADY;
    m_address = address;
    m_timing = timing;
    m_problem.clear();
    {
        std::lock_guard guard(m_lock);
        m_input.clear();
        m_serverGone = false;
    }
    const Clock::time_point deadline = Clock::now() + timing.connect;
    if (const int32_t status = connectSocket(deadline))
        return status;
    const bool telnet = address.kind == NetworkKind::Rfc2217;
    if (!telnet) {
        if (const int32_t status = knockAndSettle(std::min(deadline, Clock::now() + timing.settle)))
            return status;
    }
    m_stopEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopEvent < 0)
        return fail(errno, std::strerror(errno));
    bool waiting = false;
    {
        std::lock_guard guard(m_lock);
        if (telnet)
            m_telnet = std::make_unique<telnet::TelnetSession>();
        waiting = !m_input.empty();
    }
    m_broken = false;
    m_noticePending = waiting;
    m_notice = std::move(notice);
    m_reader = std::thread([this] { readerMain(); });
    if (telnet)
        return awaitSetUp(deadline);
    // What the device sent while the knock was answered is told as any
    // later input is.
    if (waiting && m_notice)
        m_notice();
    return 0;
}

int32_t NetworkPort::connectSocket(Clock::time_point deadline)
{
    const std::string where = networkAddressText(m_address);
    const std::shared_ptr<Lookup> lookup = lookUp(m_address.host, m_address.port, deadline);
    std::vector<sockaddr_storage> addresses;
    std::vector<socklen_t> lengths;
    {
        std::lock_guard guard(lookup->lock);
        if (!lookup->finished)
            return fail(ETIMEDOUT, "the name " + m_address.host + " was not found within " + seconds(m_timing.connect));
        if (lookup->result != 0)
            return fail(ENOENT, "the name " + m_address.host + " was not found (" + gai_strerror(lookup->result) + ")");
        addresses = lookup->addresses;
        lengths = lookup->lengths;
    }
    int error = EHOSTUNREACH;
    for (size_t i = 0; i < addresses.size() && m_socket < 0; ++i) {
        m_socket = connectOne(addresses[i], lengths[i], deadline, error);
        const auto* bytes = reinterpret_cast<const uint8_t*>(&addresses[i]);
        m_peer.assign(bytes, bytes + lengths[i]);
    }
    if (m_socket >= 0)
        return 0;
    if (error == ECONNREFUSED)
        return fail(error, where + " refused the connection");
    if (error == ETIMEDOUT)
        return fail(error, where + " did not answer within " + seconds(m_timing.connect));
    return fail(error, where + ": " + std::strerror(error));
}

int32_t NetworkPort::refused(const std::vector<uint8_t>& words)
{
    const std::string where = networkAddressText(m_address);
    if (refusalFromWords(words) == ServerRefusal::DeviceUnavailable)
        return fail(EIO, where + ": the server closed the connection at once: its serial device is busy or cannot be "
                                 "opened");
    return fail(EBUSY, where + " is in use by another client (the server closed the connection at once)");
}

int32_t NetworkPort::knockAndSettle(Clock::time_point deadline)
{
    // The knock goes where the first connection went. A one-connection
    // server takes connections in the order they came, so it refuses the
    // knock only after it has taken or refused the first: the knock closed
    // while the first stays open means the first is served, without waiting.
    enum class Knock { Open, Refused, Unanswered };
    sockaddr_storage peer{};
    std::memcpy(&peer, m_peer.data(), std::min(m_peer.size(), sizeof peer));
    int knockError = 0;
    int knock = connectOne(peer, socklen_t(m_peer.size()), deadline, knockError);
    Knock state = Knock::Open;
    if (knock < 0)
        state = knockError == ECONNREFUSED || knockError == ECONNRESET ? Knock::Refused : Knock::Unanswered;
    std::vector<uint8_t> first;
    std::vector<uint8_t> second;
    bool firstClosed = false;
    const auto closeKnock = [&] {
        if (knock >= 0)
            ::close(knock);
        knock = -1;
    };
    for (;;) {
        const bool late = Clock::now() >= deadline;
        if (firstClosed) {
            // A server that said why, or that refused the knock as well,
            // refuses us; a silent close while the knock stays open is a
            // server that hands the line to the newest client.
            if (!first.empty() || state != Knock::Open) {
                closeKnock();
                return refused(first);
            }
            if (late) {
                ::close(m_socket);
                m_socket = std::exchange(knock, -1);
                first = std::move(second);
                break;
            }
        } else if (state == Knock::Refused || late) {
            closeKnock();
            break;
        }
        pollfd entries[2] = {{firstClosed ? -1 : m_socket, POLLIN, 0}, {knock, POLLIN, 0}};
        if (::poll(entries, 2, pollTimeout(deadline)) < 0 && errno != EINTR) {
            const int error = errno;
            closeKnock();
            return fail(error, networkAddressText(m_address) + ": " + std::strerror(error));
        }
        if (entries[0].revents && !takeWhatCame(m_socket, first))
            firstClosed = true;
        if (entries[1].revents && !takeWhatCame(knock, second)) {
            closeKnock();
            state = Knock::Refused;
        }
    }
    std::lock_guard guard(m_lock);
    m_input.assign(first.begin(), first.begin() + long(std::min(first.size(), kInputLimit)));
    return 0;
}

int32_t NetworkPort::awaitSetUp(Clock::time_point deadline)
{
    const std::string where = networkAddressText(m_address);
    std::vector<uint8_t> opening;
    {
        std::lock_guard guard(m_lock);
        opening = m_telnet->openingRequest();
    }
    const bool sent = sendAll(opening.data(), opening.size());
    std::unique_lock guard(m_lock);
    // A server that closed before the request went out has said why by
    // then, or says it before the reader sees the close.
    const auto settled = [&] {
        return m_serverGone || (sent && (m_telnet->lineReady() || m_telnet->comPortRefused()));
    };
    m_changed.wait_until(guard, deadline, settled);
    const bool gone = m_serverGone || !sent;
    const bool comPortRefused = m_telnet->comPortRefused();
    const bool ready = m_telnet->lineReady();
    const std::vector<uint8_t> words(m_input.begin(), m_input.end());
    guard.unlock();
    if (gone)
        return refused(words);
    if (comPortRefused)
        return fail(EPROTO, where + " does not take COM port control (is it an RFC 2217 server?)");
    if (!ready)
        return fail(EBUSY, where + " is in use by another client, or no RFC 2217 server (no line set-up within " +
                               seconds(m_timing.connect) + ")");
    return 0;
}

uint32_t NetworkPort::serverBaudRate() const
{
    std::lock_guard guard(m_lock);
    return m_telnet ? m_telnet->reportedBaudRate() : 0;
}

void NetworkPort::close()
{
    if (m_reader.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_stopEvent, &one, sizeof one);
        m_reader.join();
    }
    if (m_socket >= 0)
        ::close(m_socket);
    if (m_stopEvent >= 0)
        ::close(m_stopEvent);
    m_socket = -1;
    m_stopEvent = -1;
    std::lock_guard guard(m_lock);
    m_telnet.reset();
    m_input.clear();
    m_serverGone = false;
    m_changed.notify_all();
}

void NetworkPort::readerMain()
{
    std::vector<uint8_t> received(4096);
    std::vector<uint8_t> data;
    std::vector<uint8_t> reply;
    for (;;) {
        pollfd entries[2] = {{m_socket, POLLIN, 0}, {m_stopEvent, POLLIN, 0}};
        if (::poll(entries, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (entries[1].revents)
            return;
        const ssize_t count = ::recv(m_socket, received.data(), received.size(), MSG_DONTWAIT);
        if (count < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (count <= 0)
            break;
        data.clear();
        reply.clear();
        {
            std::lock_guard guard(m_lock);
            if (m_telnet)
                m_telnet->receive(received.data(), size_t(count), data, reply);
            else
                data.assign(received.begin(), received.begin() + count);
            const size_t room = kInputLimit - std::min(kInputLimit, m_input.size());
            m_input.insert(m_input.end(), data.begin(), data.begin() + long(std::min(room, data.size())));
            m_changed.notify_all();
        }
        if (!reply.empty())
            sendAll(reply.data(), reply.size());
        if (!data.empty() && !m_noticePending.exchange(true) && m_notice)
            m_notice();
    }
    // The server closed the connection or the network failed: a read-back
    // now ends at once with nothing, as on an unplugged adapter.
    std::lock_guard guard(m_lock);
    m_serverGone = true;
    m_broken = true;
    m_changed.notify_all();
}

bool NetworkPort::sendAll(const uint8_t* data, size_t length)
{
    std::lock_guard guard(m_writeLock);
    if (m_broken.load() || m_socket < 0)
        return false;
    const Clock::time_point deadline = Clock::now() + m_timing.write;
    size_t sent = 0;
    while (sent < length) {
        const ssize_t count = ::send(m_socket, data + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (count > 0) {
            sent += size_t(count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno != EAGAIN) {
            markBroken();
            return false;
        }
        pollfd entry{m_socket, POLLOUT, 0};
        if (::poll(&entry, 1, pollTimeout(deadline)) <= 0 && Clock::now() >= deadline) {
            // The server takes nothing more: give up on the link rather
            // than hang every later write.
            markBroken();
            return false;
        }
    }
    return true;
}

void NetworkPort::markBroken()
{
    m_broken = true;
    std::lock_guard guard(m_lock);
    m_changed.notify_all();
}

void NetworkPort::writeByte(uint8_t byte)
{
    if (!isOpen())
        return;
    std::vector<uint8_t> out;
    {
        std::lock_guard guard(m_lock);
        if (m_telnet)
            m_telnet->escape(&byte, 1, out);
        else
            out.push_back(byte);
    }
    sendAll(out.data(), out.size());
}

uint32_t NetworkPort::readAvailable(uint8_t* buffer, uint32_t length)
{
    std::lock_guard guard(m_lock);
    // A reader looking re-arms the notice, as on the serial port.
    m_noticePending = false;
    const uint32_t count = static_cast<uint32_t>(std::min<size_t>(length, m_input.size()));
    std::copy_n(m_input.begin(), count, buffer);
    m_input.erase(m_input.begin(), m_input.begin() + count);
    return count;
}

bool NetworkPort::waitForInput(Clock::time_point deadline)
{
    std::unique_lock guard(m_lock);
    m_changed.wait_until(guard, deadline, [&] { return !m_input.empty() || m_serverGone || m_broken.load(); });
    return !m_input.empty();
}

}  // namespace lumivex
