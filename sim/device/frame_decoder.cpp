#include "sim/device/frame_decoder.h"

#include "sim/device/serial_protocol.h"

namespace lumivex::device {

void FrameDecoder::skipFirst(const SkipSink& onSkipped)
{
    if (onSkipped)
        onSkipped(m_pending.front());
    m_pending.erase(m_pending.begin());
}

void FrameDecoder::feed(std::span<const uint8_t> bytes, const FrameSink& onFrame, const SkipSink& onSkipped)
{
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    while (!m_pending.empty()) {
        const uint8_t length = m_pending.front();
        if (!isCommandLength(length)) {
            skipFirst(onSkipped);
            continue;
        }
        if (m_pending.size() < length)
            return;  // wait for the rest
        const std::span<const uint8_t> candidate(m_pending.data(), length);
        if (balancingChecksum(candidate) != 0) {
            skipFirst(onSkipped);
            continue;
        }
        const std::vector<uint8_t> frame(candidate.begin(), candidate.end());
        m_pending.erase(m_pending.begin(), m_pending.begin() + length);
        onFrame(frame);
    }
}

void FrameDecoder::dropPartial(const SkipSink& onSkipped)
{
    while (!m_pending.empty())
        skipFirst(onSkipped);
}

}  // namespace lumivex::device
