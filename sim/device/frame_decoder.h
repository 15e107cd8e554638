#pragma once
// Cuts the bytes the controller receives into frames. The line carries no
// framing beyond the length byte, so a frame is trusted only when its bytes
// sum to zero; otherwise the first byte is dropped and the rest looked at
// again, which finds the next frame after noise or a lost byte.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace lumivex::device {

class FrameDecoder {
public:
    using FrameSink = std::function<void(std::span<const uint8_t> frame)>;
    using SkipSink = std::function<void(uint8_t byte)>;

    // Every whole frame goes to onFrame, in order; every byte that starts
    // no frame goes to onSkipped (may be empty).
    void feed(std::span<const uint8_t> bytes, const FrameSink& onFrame, const SkipSink& onSkipped = {});

    // Forgets a partial frame (the sender went quiet in the middle of one);
    // its bytes go to onSkipped.
    void dropPartial(const SkipSink& onSkipped = {});

    size_t pendingBytes() const { return m_pending.size(); }

private:
    void skipFirst(const SkipSink& onSkipped);

    std::vector<uint8_t> m_pending;
};

}  // namespace lumivex::device
