// libFuzzer target: arbitrary received byte streams, handed out in
// arbitrary read sizes, through the drain, the request-and-scan exchange,
// reply decoding and resets. A plain model of the receive buffer is kept
// beside the real one; any difference, or a found header that breaks the
// scan's rules, stops the run.

#include "link/channel_rules.h"
#include "link/replies.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <algorithm>
#include <vector>

using namespace lumivex;

namespace {

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

// The device's side: what has arrived, and how much each read may take.
class FuzzPort final : public BytePort {
public:
    explicit FuzzPort(FuzzedDataProvider& data)
        : m_data(data)
    {
    }
    void writeByte(uint8_t byte) override { written.push_back(byte); }
    uint32_t readAvailable(uint8_t* buffer, uint32_t length) override
    {
        const uint32_t limit = m_data.ConsumeIntegralInRange<uint32_t>(0, length);
        const uint32_t n = std::min<uint32_t>(limit, uint32_t(arriving.size() - m_next));
        std::copy_n(arriving.begin() + long(m_next), n, buffer);
        m_next += n;
        handedOut.insert(handedOut.end(), buffer, buffer + n);
        return n;
    }
    // The data decides whether the wait brings more bytes or runs out.
    bool waitForInput(Clock::time_point) override
    {
        waitRanOut = !m_data.ConsumeBool();
        if (waitRanOut)
            return false;
        arrive(m_data.ConsumeIntegralInRange<size_t>(0, 600));
        return true;
    }
    void arrive(size_t count)
    {
        const std::vector<uint8_t> more = m_data.ConsumeBytes<uint8_t>(count);
        arriving.insert(arriving.end(), more.begin(), more.end());
    }

    std::vector<uint8_t> arriving;
    std::vector<uint8_t> handedOut;
    std::vector<uint8_t> written;
    bool waitRanOut = false;

private:
    FuzzedDataProvider& m_data;
    size_t m_next = 0;  // first byte of arriving not yet handed out
};

// The receive buffer as its rules say, written the obvious way.
struct ShadowBuffer {
    std::array<int32_t, ReceiveBuffer::kEntries> entries{};
    std::array<bool, 256> received{};  // since the last reset
    unsigned position = 0;

    void append(uint8_t byte)
    {
        entries[position] = byte >= 0x80 ? int32_t(byte) - 256 : int32_t(byte);
        received[position] = true;
        position = (position + 1) % 256;
    }
    void reset()
    {
        position = 0;
        for (unsigned i = 0; i < 256; ++i) {
            entries[i] = 0;
            received[i] = false;
        }
    }
    // Every byte of the reply at p was received, and they sum to zero.
    bool wholeAt(int p, int length) const
    {
        int sum = 0;
        for (int i = p; i < p + length; ++i) {
            if (i > 255 || !received[size_t(i)])
                return false;
            sum += entries[size_t(i)];
        }
        return sum % 256 == 0;
    }
};

// Entries past 255 never change, so each step compares the first 256 and
// the end of the run all of them.
void checkSame(const ReceiveBuffer& real, const ShadowBuffer& shadow, int entries = 256)
{
    check(real.writePosition() == shadow.position);
    for (int i = 0; i < entries; ++i)
        check(real.entry(i) == shadow.entries[size_t(i)]);
}

void checkScan(const ReceiveBuffer& buffer, const ShadowBuffer& shadow, ReadRequest request, std::optional<int> found)
{
    int first = -1;
    for (int p = 0; p <= 500 && first < 0; ++p) {
        if (buffer.entry(p) == request.replyLength && buffer.entry(p + 1) == request.command
            && shadow.wholeAt(p, request.replyLength))
            first = p;
    }
    check(found.value_or(-1) == first);
    if (!found)
        return;
    const int p = *found;
    switch (request.command) {
    case requests::kSettings.command: {
        const SettingsReply r = decodeSettingsReply(buffer, p);
        check(r.inputSource == buffer.entry(p + 2) && r.gpoBits == buffer.entry(p + 7));
        break;
    }
    case requests::kDisplay.command: {
        const DisplayReply r = decodeDisplayReply(buffer, p);
        check(r.resolution == buffer.entry(p + 2) && r.maskOn == buffer.entry(p + 6));
        check(r.hTenths >= 0 && r.hTenths <= 0xFF && r.vTenths >= 0 && r.vTenths <= 0xFF);
        break;
    }
    default:
        check(decodeModelReply(buffer, p).model == buffer.entry(p + 2));
    }
}

void appendHandedOut(FuzzPort& port, size_t from, ShadowBuffer& shadow)
{
    for (size_t i = from; i < port.handedOut.size(); ++i)
        shadow.append(port.handedOut[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider data(bytes, size);
    FuzzPort port(data);
    ReceiveBuffer buffer;
    ShadowBuffer shadow;
    SerialFrame frame;
    constexpr ReadRequest kRequests[] = {requests::kSettings, requests::kDisplay, requests::kModel};

    while (data.remaining_bytes() > 0) {
        const size_t before = port.handedOut.size();
        switch (data.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: {
            port.arrive(data.ConsumeIntegralInRange<size_t>(0, 1500));
            const size_t drained = drain(port, buffer);
            check(drained == port.handedOut.size() - before);
            appendHandedOut(port, before, shadow);
            break;
        }
        case 1: {
            const ReadRequest request = kRequests[data.ConsumeIntegralInRange<size_t>(0, 2)];
            const size_t written = port.written.size();
            port.waitRanOut = false;
            const auto found = requestAndScan(port, frame, buffer, request, std::chrono::hours(1)).position;
            // A wait cut short must have had a whole reply to take.
            if (!port.waitRanOut) {
                check(found.has_value());
                uint8_t sum = 0;
                for (int i = 0; found && i < request.replyLength; ++i)
                    sum = uint8_t(sum + buffer.entry(*found + i));
                check(sum == 0);
            }
            check(port.written.size() == written + 4);
            check(uint8_t(port.written[written] + port.written[written + 1] + port.written[written + 2]
                          + port.written[written + 3]) == 0);
            appendHandedOut(port, before, shadow);
            checkScan(buffer, shadow, request, found);
            break;
        }
        case 2:
            buffer.resetWritePosition();
            shadow.reset();
            break;
        default:
            buffer.setEntry(0, 0);
            shadow.entries[0] = 0;
        }
        checkSame(buffer, shadow);
    }
    checkSame(buffer, shadow, ReceiveBuffer::kEntries);
    return 0;
}
