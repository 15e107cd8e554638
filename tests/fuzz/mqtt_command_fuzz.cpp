// libFuzzer target: a /set payload from the broker, for each model as last
// read (none, K410, K420). Whatever it holds, reading it never crashes; it
// is refused with a reason and nothing to send, or taken as writes the
// model has, each once, a wall switched off last, values within what the
// device holds. The error message made of it is JSON whatever the bytes.

#include "control/value_names.h"
#include "fuzz_require.h"
#include "service/mqtt/commands.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <set>

using namespace lumivex;
using namespace lumivex::service::mqtt;

using lumivex::fuzz::require;

namespace {

bool withinMask(const std::optional<int32_t>& tenths)
{
    return !tenths || (*tenths >= 0 && *tenths <= 100);
}

void checkTaken(const ParsedCommand& parsed, int32_t model)
{
    require(!parsed.writes.empty(), "a command taken with nothing to write");
    std::set<WriteKey> keys;
    for (size_t i = 0; i < parsed.writes.size(); ++i) {
        const WriteRequest& w = parsed.writes[i];
        require(keys.insert(w.key).second, "one write asked twice");
        require(!writeKeyName(w.key).isEmpty(), "a write without a name");
        if (w.key == WriteKey::Power) {
            require(control::powerNames().contains(w.value), "a power word Set does not take");
            const bool off = w.value == control::powerNames()[0];
            require(!off || i + 1 == parsed.writes.size(), "a wall switched off before its last write");
        }
        require(w.key != WriteKey::Layout || model >= 0, "a layout sent while the model is unknown");
        require(model != 1 || (w.key != WriteKey::Gpo && w.key != WriteKey::AutoAdjust),
                "a K420 asked for what it does not have");
        require(w.gpo.given <= 0xF && (w.gpo.bits & ~w.gpo.given) == 0, "GPO bits beyond those given");
        require(w.key != WriteKey::Gpo || w.gpo.given != 0, "a GPO write that names no output");
        require(withinMask(w.mask.hTenths) && withinMask(w.mask.vTenths), "a mask side beyond 10 %");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray payload(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const int32_t model : {-1, 0, 1}) {
        const ParsedCommand parsed = parseCommand(payload, {model});
        if (parsed.error.isEmpty())
            checkTaken(parsed, model);
        else
            require(parsed.writes.empty(), "a refused command with writes");
        require(payload.size() <= kMaxCommandBytes || !parsed.error.isEmpty(), "an oversized command taken");
        const QJsonDocument told = QJsonDocument::fromJson(errorPayload(parsed.error, payload));
        require(told.isObject() && told.object().value("error").toString() == parsed.error,
                "an error message that is not JSON naming the reason");
    }
    return 0;
}
