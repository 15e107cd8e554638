#include "pty_pair.h"

#include <QCoreApplication>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

namespace lumivex::test {

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    m_path = name;
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    if (m_master >= 0)
        ::close(m_master);
    ::close(m_slave);
}

void PtyPair::send(const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        pollfd p{m_master, POLLOUT, 0};
        ::poll(&p, 1, 10);
    }
}

std::vector<uint8_t> PtyPair::receive(size_t count)
{
    std::vector<uint8_t> bytes;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (bytes.size() < count && std::chrono::steady_clock::now() < deadline) {
        uint8_t chunk[512];
        const ssize_t n = ::read(m_master, chunk, std::min(sizeof chunk, count - bytes.size()));
        if (n > 0) {
            bytes.insert(bytes.end(), chunk, chunk + n);
            continue;
        }
        pollfd p{m_master, POLLIN, 0};
        ::poll(&p, 1, 10);
    }
    return bytes;
}

size_t PtyPair::inputWaiting() const
{
    int count = 0;
    if (ioctl(m_slave, TIOCINQ, &count) != 0)
        return 0;
    return static_cast<size_t>(count);
}

bool PtyPair::waitForInput(size_t count)
{
    return waitUntil([&] { return inputWaiting() >= count; });
}

void PtyPair::hangUp()
{
    ::close(m_master);
    m_master = -1;
}

bool waitUntil(const std::function<bool()>& predicate)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

bool processEventsUntil(const std::function<bool()>& predicate)
{
    return waitUntil([&] {
        QCoreApplication::processEvents();
        return predicate();
    });
}

std::vector<uint8_t> pattern(size_t count)
{
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xFF);
    return bytes;
}

}  // namespace lumivex::test
