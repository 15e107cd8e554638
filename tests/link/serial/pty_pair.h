#pragma once
// A real pseudo-terminal pair for the serial tests: the port under test opens
// the slave side by its path; the test plays the device on the master side.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumivex::test {

using namespace std::chrono_literals;

// Generous: only a broken port ever waits this long.
inline constexpr std::chrono::milliseconds kPatience = 10s;

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& path() const { return m_path; }
    int slave() const { return m_slave; }

    // Plays the device: bytes sent to the port.
    void send(const std::vector<uint8_t>& bytes);
    // Bytes the port wrote, exactly `count` of them, or fewer after kPatience.
    std::vector<uint8_t> receive(size_t count);
    // Waits until `count` bytes wait to be read on the port side.
    bool waitForInput(size_t count);
    // Bytes waiting to be read on the port side.
    size_t inputWaiting() const;
    // The device goes away, as an unplugged adapter does.
    void hangUp();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

// Polls until the predicate holds or kPatience passes.
bool waitUntil(const std::function<bool()>& predicate);
// The same, handling the Qt events posted to this thread meanwhile.
bool processEventsUntil(const std::function<bool()>& predicate);

std::vector<uint8_t> pattern(size_t count);

}  // namespace lumivex::test
