#pragma once
// The simulator's end of a pseudo-terminal: the master side, in raw mode so
// that no byte is echoed or translated. The panel opens the slave path.

#include <string>

namespace lumivex::sim {

class PtyDevice {
public:
    PtyDevice() = default;
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // false with a reason in error.
    bool open(std::string& error);

    int fd() const { return m_master; }
    const std::string& slavePath() const { return m_slavePath; }

    // True while nobody holds the slave open after someone had: the master
    // then reports a hang-up. Before the first opening it reports nothing.
    bool peerClosed() const;

private:
    int m_master = -1;
    std::string m_slavePath;
};

}  // namespace lumivex::sim
