#pragma once
// zepta-sim as a child process for tests and benchmarks, and a plain client
// of its pseudo-terminal that plays the panel without the serial driver.

#include "reply_waits.h"

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumivex::testing {

using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

// Only a broken simulator ever makes a test wait this long.
inline constexpr std::chrono::milliseconds kSimPatience = 10s;

// The build's bin/ folder (LUMIVEX_BIN_DIR, set by ctest).
std::string binDir();

// Polls every millisecond or so until the predicate holds or the time is up.
bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds limit = kSimPatience);

class SimProcess {
public:
    // Starts bin/zepta-sim with the arguments and reads the path it prints.
    explicit SimProcess(const std::vector<std::string>& args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool started() const { return !m_slavePath.empty(); }
    const std::string& slavePath() const { return m_slavePath; }
    pid_t pid() const { return m_pid; }

    // The exit status once the process has ended within the limit.
    std::optional<int> waitForExit(std::chrono::milliseconds limit = kSimPatience);
    // SIGTERM, then waitForExit().
    std::optional<int> terminate();

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    std::string m_slavePath;
};

// The slave side of the simulator's pseudo-terminal, opened raw.
class PortClient {
public:
    explicit PortClient(const std::string& path);
    ~PortClient();
    PortClient(const PortClient&) = delete;
    PortClient& operator=(const PortClient&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void write(const Bytes& bytes);
    // Exactly count bytes, or what arrived within the limit.
    Bytes read(size_t count, std::chrono::milliseconds limit = kSimPatience);
    // What has arrived, without waiting.
    Bytes readAvailable();
    void close();

private:
    int m_fd = -1;
};

// A line of the simulator's log: its kind ("rx", "tx", "skip"), its bytes
// and the rest of the line.
struct LogLine {
    std::string timestamp;
    std::string kind;
    Bytes bytes;
    std::string note;
};

std::vector<LogLine> readLog(const std::string& path);
// The bytes of the log's lines of one kind, in order.
std::vector<Bytes> loggedBytes(const std::string& path, const std::string& kind);

}  // namespace lumivex::testing
