#pragma once
// zepta-sim's loop: bytes from the panel become frames for the device model,
// replies go back (after noise and a delay when asked), and the loop ends on
// a stop signal or when the panel closes the port after a session.

#include "sim/device/device_model.h"
#include "sim/device/frame_decoder.h"
#include "sim/zepta-sim/frame_log.h"
#include "sim/zepta-sim/pty_device.h"
#include "sim/zepta-sim/sim_options.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace lumivex::sim {

class SimServer {
public:
    SimServer(const SimOptions& options, PtyDevice& pty, FrameLog& log);

    // Serves until stopFd becomes readable (a signalfd) or the panel's side
    // closes after it sent something; returns the exit status.
    int run(int stopFd);

    const device::DeviceModel& model() const { return m_model; }

private:
    using Clock = std::chrono::steady_clock;
    struct PendingReply {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
    };

    int pollTimeoutMs() const;
    void receive(std::span<const uint8_t> bytes);
    void handleFrame(std::span<const uint8_t> frame);
    void sendDueReplies();
    // The number of bytes the line took.
    size_t writeAll(std::span<const uint8_t> bytes);
    // The panel closed its side; true when the simulator should end.
    bool peerGone();
    uint8_t nextNoiseByte();

    const SimOptions m_options;
    PtyDevice& m_pty;
    FrameLog& m_log;
    device::DeviceModel m_model;
    device::FrameDecoder m_decoder;
    std::deque<PendingReply> m_replies;
    Clock::time_point m_lastByte{};
    bool m_session = false;       // bytes arrived since the panel opened the port
    bool m_waitingForPeer = false;  // closed after a probe; waiting for the next opening
    bool m_dropNext = true;         // --drop-first: the next byte is lost on the line
    uint32_t m_noiseState = 0x2545F491u;
};

}  // namespace lumivex::sim
