// libFuzzer target: whatever a server sends, handed to the Telnet client in
// pieces the input chooses. Nothing may crash or grow past what came in, the
// same bytes in other pieces decode the same, and data escaped by one
// session comes back whole, 0xFF and CR included, through another in the
// same mode.

#include "fuzz_require.h"
#include "link/net/telnet_session.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <vector>

using namespace lumivex::telnet;
using lumivex::fuzz::require;

namespace {

using Bytes = std::vector<uint8_t>;

struct Outcome {
    Bytes data;
    Bytes reply;
    uint32_t baud = 0;
    bool ready = false;
    bool accepted = false;
    bool refused = false;

    void take(const TelnetSession& session)
    {
        baud = session.reportedBaudRate();
        ready = session.lineReady();
        accepted = session.comPortAccepted();
        refused = session.comPortRefused();
    }
    bool operator==(const Outcome&) const = default;
};

void roundTrip(const Bytes& block, bool binary)
{
    TelnetSession sender, receiver;
    sender.openingRequest();
    receiver.openingRequest();
    const Bytes agreement{kIac, kDo, kOptionBinary, kIac, kWill, kOptionBinary};
    Bytes data, reply, wire;
    if (binary) {
        sender.receive(agreement.data(), agreement.size(), data, reply);
        receiver.receive(agreement.data(), agreement.size(), data, reply);
        require(data.empty() && reply.empty(), "the agreement to the opening is answered");
    }
    sender.escape(block.data(), block.size(), wire);
    require(wire.size() <= 2 * block.size(), "escaping more than doubles the data");
    receiver.receive(wire.data(), wire.size(), data, reply);
    require(data == block, "escaped data does not come back whole");
    require(reply.empty(), "escaped data draws an answer");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzedDataProvider fuzz(bytes, size);
    LineSettings line;
    line.baudRate = fuzz.ConsumeIntegral<uint32_t>();
    line.dataBits = fuzz.ConsumeIntegral<uint8_t>();
    const bool opened = fuzz.ConsumeBool();
    const Bytes stream = fuzz.ConsumeBytes<uint8_t>(fuzz.ConsumeIntegralInRange<size_t>(0, fuzz.remaining_bytes()));

    TelnetSession whole(line), pieces(line);
    if (opened) {
        whole.openingRequest();
        pieces.openingRequest();
    }
    Outcome once, split;
    whole.receive(stream.data(), stream.size(), once.data, once.reply);
    // Once the input runs out, one byte per call.
    for (size_t at = 0; at < stream.size();) {
        const size_t n = fuzz.ConsumeIntegralInRange<size_t>(1, stream.size() - at);
        pieces.receive(stream.data() + at, n, split.data, split.reply);
        at += n;
    }
    once.take(whole);
    split.take(pieces);
    require(once == split, "the same stream in other pieces decodes differently");
    require(once.data.size() <= stream.size(), "more data out than bytes in");
    require(once.reply.size() <= stream.size() + TelnetSession::kMostLineSettingsBytes,
            "the answer grows past what was received");

    Bytes block{kIac};
    block.insert(block.end(), stream.begin(), stream.end());
    roundTrip(block, true);
    roundTrip(block, false);
    return 0;
}
