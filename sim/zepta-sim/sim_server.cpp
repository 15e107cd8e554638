#include "sim/zepta-sim/sim_server.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace lumivex::sim {

namespace {

using namespace std::chrono_literals;

// A frame the panel left half-sent this long is forgotten, as a device's
// receiver does after a pause.
constexpr auto kPartialFrameTimeout = 200ms;
// How often to look for the panel opening the port again after a close.
constexpr int kReopenPollMs = 20;
constexpr size_t kReadChunk = 4096;

// Spoils a well-formed reply the way the option asks.
void garble(Garble kind, std::vector<uint8_t>& reply)
{
    switch (kind) {
    case Garble::None:
        break;
    case Garble::Truncate:
        reply.resize(reply.size() / 2);
        break;
    case Garble::Length:
        reply.front() = static_cast<uint8_t>(reply.size() + 1);
        break;
    case Garble::High:
        for (size_t i = 2; i < reply.size(); ++i)
            reply[i] |= 0x80;
        break;
    case Garble::Checksum:
        ++reply.back();
        break;
    }
}

int millisecondsUntil(std::chrono::steady_clock::time_point when)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(when - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

}  // namespace

SimServer::SimServer(const SimOptions& options, PtyDevice& pty, FrameLog& log)
    : m_options(options)
    , m_pty(pty)
    , m_log(log)
    , m_model(options.model)
{
    m_model.state().gpiBits = options.gpiBits;
}

uint8_t SimServer::nextNoiseByte()
{
    // xorshift32; the top bit is always set, so a stray byte is never
    // mistaken for a reply's length.
    m_noiseState ^= m_noiseState << 13;
    m_noiseState ^= m_noiseState >> 17;
    m_noiseState ^= m_noiseState << 5;
    return static_cast<uint8_t>(0x80 | (m_noiseState & 0x7F));
}

int SimServer::pollTimeoutMs() const
{
    int timeout = -1;
    auto earlier = [&timeout](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
    if (m_waitingForPeer)
        earlier(kReopenPollMs);
    if (!m_replies.empty())
        earlier(millisecondsUntil(m_replies.front().due));
    if (m_decoder.pendingBytes() > 0)
        earlier(millisecondsUntil(m_lastByte + kPartialFrameTimeout));
    return timeout;
}

void SimServer::receive(std::span<const uint8_t> bytes)
{
    if (m_options.dropFirst && m_dropNext && !bytes.empty()) {
        m_dropNext = false;
        m_log.write("lost", bytes.first(1));
        bytes = bytes.subspan(1);
    }
    m_session = true;
    m_lastByte = Clock::now();
    m_decoder.feed(
        bytes, [this](std::span<const uint8_t> frame) { handleFrame(frame); },
        [this](uint8_t byte) { m_log.write("skip", std::span<const uint8_t>(&byte, 1)); });
}

void SimServer::handleFrame(std::span<const uint8_t> frame)
{
    std::vector<uint8_t> reply;
    const device::DeviceState before = m_model.state();
    const device::FrameOutcome outcome = m_model.handleFrame(frame, reply);
    // A controller whose memory fails: the write is taken as usual, and the
    // next read shows the setting as it was.
    const bool forgotten = m_options.forgetWrites && outcome == device::FrameOutcome::Applied;
    if (forgotten)
        m_model.state() = before;
    m_log.write("rx", frame, forgotten ? std::string_view("forgotten") : device::frameOutcomeName(outcome));
    if (reply.empty() || m_options.noReply)
        return;
    garble(m_options.garble, reply);
    std::vector<uint8_t> bytes;
    for (int i = 0; i < m_options.noiseBytes; ++i)
        bytes.push_back(nextNoiseByte());
    bytes.insert(bytes.end(), reply.begin(), reply.end());
    m_replies.push_back({Clock::now() + std::chrono::milliseconds(m_options.delayMs), std::move(bytes)});
}

void SimServer::sendDueReplies()
{
    while (!m_replies.empty() && m_replies.front().due <= Clock::now()) {
        const std::span<const uint8_t> bytes(m_replies.front().bytes);
        const size_t sent = writeAll(bytes);
        if (sent > 0)
            m_log.write("tx", bytes.first(sent));
        if (sent < bytes.size())
            m_log.write("drop", bytes.subspan(sent), "(the panel's side is full or gone)");
        m_replies.pop_front();
    }
}

size_t SimServer::writeAll(std::span<const uint8_t> bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(m_pty.fd(), bytes.data() + sent, bytes.size() - sent);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // full (nobody reads) or gone
        sent += static_cast<size_t>(n);
    }
    return sent;
}

bool SimServer::peerGone()
{
    m_replies.clear();
    m_decoder.dropPartial([this](uint8_t byte) { m_log.write("skip", std::span<const uint8_t>(&byte, 1)); });
    // A port probe opens and closes without a word; only a session's end
    // ends the simulator.
    if (m_session && !m_options.persist)
        return true;
    m_session = false;
    m_waitingForPeer = true;
    m_dropNext = true;
    return false;
}

int SimServer::run(int stopFd)
{
    std::vector<uint8_t> chunk(kReadChunk);
    // An opening of the slave is told at once, so the first request of a
    // new session is not left for the next look; the looks stay as a net.
    const int opened = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (opened >= 0)
        ::inotify_add_watch(opened, m_pty.slavePath().c_str(), IN_OPEN);
    for (;;) {
        // While the port is closed the master reports a hang-up at every
        // poll; it is left out and looked at when the slave is opened.
        pollfd fds[3] = {{stopFd, POLLIN, 0},
                         {m_waitingForPeer ? -1 : m_pty.fd(), POLLIN, 0},
                         {m_waitingForPeer ? opened : -1, POLLIN, 0}};
        const int ready = ::poll(fds, 3, pollTimeoutMs());
        if (ready < 0 && errno != EINTR) {
            if (opened >= 0)
                ::close(opened);
            return 1;
        }
        if (fds[2].revents & POLLIN) {
            char events[4096];
            while (::read(opened, events, sizeof events) > 0) {
            }
        }
        if (fds[0].revents != 0) {
            if (opened >= 0)
                ::close(opened);
            return 0;
        }
        if (m_waitingForPeer) {
            m_waitingForPeer = m_pty.peerClosed();
            continue;
        }
        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(m_pty.fd(), chunk.data(), chunk.size());
            if (n > 0)
                receive(std::span<const uint8_t>(chunk.data(), static_cast<size_t>(n)));
            else if ((n < 0 && errno == EIO) || n == 0) {
                if (peerGone())
                    return 0;
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            if (peerGone())
                return 0;
        }
        if (m_decoder.pendingBytes() > 0 && Clock::now() - m_lastByte >= kPartialFrameTimeout)
            m_decoder.dropPartial([this](uint8_t byte) { m_log.write("skip", std::span<const uint8_t>(&byte, 1)); });
        sendDueReplies();
    }
}

}  // namespace lumivex::sim
