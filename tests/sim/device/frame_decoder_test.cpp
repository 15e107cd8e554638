#include "sim/device/frame_decoder.h"

#include <gtest/gtest.h>

#include <vector>

using lumivex::device::FrameDecoder;
using Bytes = std::vector<uint8_t>;

namespace {

struct Collected {
    std::vector<Bytes> frames;
    Bytes skipped;
};

Collected decodeInPieces(const Bytes& stream, size_t pieceSize)
{
    FrameDecoder decoder;
    Collected out;
    for (size_t at = 0; at < stream.size(); at += pieceSize) {
        const size_t n = std::min(pieceSize, stream.size() - at);
        decoder.feed(std::span<const uint8_t>(stream.data() + at, n),
                     [&](std::span<const uint8_t> f) { out.frames.emplace_back(f.begin(), f.end()); },
                     [&](uint8_t b) { out.skipped.push_back(b); });
    }
    return out;
}

const Bytes kInputDvi{0x04, 0x1B, 0x02, 0xDF};
const Bytes kIdentify{0x05, 0x02, 0x04, 0x00, 0xF5};
const Bytes kMask{0x07, 0x18, 0x00, 0x19, 0x1E, 0x01, 0xA9};

}  // namespace

TEST(FrameDecoder, FindsEveryFrameWhateverTheReadSizes)
{
    struct Case {
        const char* what;
        Bytes stream;
        std::vector<Bytes> frames;
        Bytes skipped;
    };
    Bytes backToBack = kInputDvi;
    backToBack.insert(backToBack.end(), kIdentify.begin(), kIdentify.end());
    backToBack.insert(backToBack.end(), kMask.begin(), kMask.end());
    Bytes afterNoise{0xF8, 0x00, 0x09};
    afterNoise.insert(afterNoise.end(), kInputDvi.begin(), kInputDvi.end());
    // A length byte in the noise whose would-be frame does not balance.
    Bytes lengthInNoise{0x04, 0x01};
    lengthInNoise.insert(lengthInNoise.end(), kInputDvi.begin(), kInputDvi.end());
    Bytes corruptThenGood{0x04, 0x1B, 0x02, 0xDE};
    corruptThenGood.insert(corruptThenGood.end(), kMask.begin(), kMask.end());

    const Case cases[] = {
        {"three frames back to back", backToBack, {kInputDvi, kIdentify, kMask}, {}},
        {"noise first", afterNoise, {kInputDvi}, {0xF8, 0x00, 0x09}},
        {"a length byte in the noise", lengthInNoise, {kInputDvi}, {0x04, 0x01}},
        {"a corrupted frame, then a good one", corruptThenGood, {kMask}, {0x04, 0x1B, 0x02, 0xDE}},
    };
    for (const Case& c : cases) {
        for (size_t piece = 1; piece <= c.stream.size(); ++piece) {
            SCOPED_TRACE(testing::Message() << c.what << ", read size " << piece);
            const Collected out = decodeInPieces(c.stream, piece);
            EXPECT_EQ(out.frames, c.frames);
            EXPECT_EQ(out.skipped, c.skipped);
        }
    }
}

TEST(FrameDecoder, APartialFrameWaitsUntilDropped)
{
    FrameDecoder decoder;
    std::vector<Bytes> frames;
    Bytes skipped;
    auto onFrame = [&](std::span<const uint8_t> f) { frames.emplace_back(f.begin(), f.end()); };
    auto onSkip = [&](uint8_t b) { skipped.push_back(b); };
    decoder.feed(Bytes{0x07, 0x18, 0x00}, onFrame, onSkip);
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(decoder.pendingBytes(), 3u);
    decoder.dropPartial(onSkip);
    EXPECT_EQ(skipped, (Bytes{0x07, 0x18, 0x00}));
    decoder.feed(kInputDvi, onFrame, onSkip);
    EXPECT_EQ(frames, std::vector<Bytes>{kInputDvi});
}
