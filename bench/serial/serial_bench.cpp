// Serial port figures over a pseudo-terminal: one-byte write latency, drain
// throughput, and the time from bytes written at the other end to the
// notification handled on the user-interface thread. Prints, asserts nothing.
#include "link/serial/serial_mfc.h"
#include "link/serial/serial_notify_event.h"

#include <QCoreApplication>
#include <QObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using lumivex::CSerialMFC;
using lumivex::CSerialWnd;
using lumivex::SerialNotifyEvent;

double micros(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void printSpread(const char* what, std::vector<double> samples)
{
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[static_cast<size_t>(q * (samples.size() - 1))]; };
    std::printf("%-44s n=%zu  median %8.1f us  p99 %8.1f us  max %8.1f us\n", what, samples.size(),
                at(0.5), at(0.99), samples.back());
}

// The panel's drain: reads of 500 until one comes back short.
size_t drain(CSerialMFC& port)
{
    size_t total = 0;
    uint32_t count = 0;
    do {
        uint8_t buffer[500];
        port.read(buffer, sizeof buffer, &count, nullptr, lumivex::kSerialInfinite);
        total += count;
    } while (count == 500);
    return total;
}

// Stands for the Interface page: drains on every character-received note.
class Page : public QObject {
public:
    explicit Page(CSerialMFC& port) : m_port(port) {}
    bool event(QEvent* e) override
    {
        if (e->type() != CSerialWnd::defaultComMsg())
            return QObject::event(e);
        m_handledAt = Clock::now();
        if (static_cast<SerialNotifyEvent*>(e)->events() & lumivex::kSerialEventRxChar)
            m_received += drain(m_port);
        ++m_notes;
        return true;
    }
    CSerialMFC& m_port;
    size_t m_received = 0;
    size_t m_notes = 0;
    Clock::time_point m_handledAt{};
};

void benchWrites(CSerialMFC& port, int master)
{
    std::atomic<bool> done{false};
    std::thread sink([&] {
        uint8_t buffer[4096];
        while (!done.load()) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0)
                [[maybe_unused]] const ssize_t n = ::read(master, buffer, sizeof buffer);
        }
    });
    std::vector<double> samples;
    constexpr int kWrites = 20000;
    samples.reserve(kWrites);
    for (int i = 0; i < kWrites; ++i) {
        const uint8_t byte = static_cast<uint8_t>(i);
        const auto start = Clock::now();
        port.write(&byte, 1, nullptr, nullptr, lumivex::kSerialInfinite);
        samples.push_back(micros(Clock::now() - start));
    }
    done.store(true);
    sink.join();
    printSpread("one-byte write (unlimited time-out)", samples);
}

void benchDrain(Page& page, int master)
{
    constexpr size_t kBytes = 8u << 20;
    page.m_received = 0;
    page.m_notes = 0;
    std::thread device([&] {
        std::vector<uint8_t> chunk(4096, 0x5A);
        size_t sent = 0;
        while (sent < kBytes) {
            const ssize_t n = ::write(master, chunk.data(), std::min(chunk.size(), kBytes - sent));
            if (n > 0) {
                sent += static_cast<size_t>(n);
                continue;
            }
            pollfd p{master, POLLOUT, 0};
            ::poll(&p, 1, 50);
        }
    });
    const auto start = Clock::now();
    while (page.m_received < kBytes)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    device.join();
    std::printf("%-44s %8.1f MiB/s  (%zu MiB in %zu notifications)\n",
                "drain on notification, reads of 500", kBytes / seconds / (1 << 20), kBytes >> 20,
                page.m_notes);
}

void benchNotification(Page& page, int master)
{
    std::vector<double> samples;
    constexpr int kRounds = 2000;
    for (int i = 0; i < kRounds; ++i) {
        const size_t before = page.m_notes;
        const uint8_t byte = 0x09;
        const auto written = Clock::now();
        if (::write(master, &byte, 1) != 1)
            break;
        while (page.m_notes == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        samples.push_back(micros(page.m_handledAt - written));
    }
    printSpread("bytes written -> notification handled", samples);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    CSerialMFC port;
    Page page(port);
    if (const int32_t status = port.open(name, &page, 0, 0, 0, 0)) {
        std::fprintf(stderr, "open %s failed: %d\n", name, status);
        return 1;
    }
    port.setLineParameters(115200, 8, 0, 0);
    port.setHandshake(0);
    std::printf("serial port figures over a pseudo-terminal (%s)\n", name);
    benchWrites(port, master);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    benchNotification(page, master);
    benchDrain(page, master);
    port.close();
    ::close(master);
    ::close(slave);
    return 0;
}
