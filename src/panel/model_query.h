#pragma once
// Which model answers on the open link, and the window title that names it.

#include <QString>

#include <cstdint>

namespace lumivex {

class LinkState;
class MessageService;

struct ModelQueryResult {
    enum class Outcome {
        NoLink,      // "Interface port unload" was shown
        ReadFailed,  // DDC/CI read failed: title and model index stay
        Known,       // modelIndex is 0 (K410) or 1 (K420)
        Unknown,     // the device named no model we know: the index stays
    };
    Outcome outcome = Outcome::NoLink;
    int32_t modelIndex = -1;
    // False when the serial line brought no reply and the first model was
    // assumed.
    bool replied = true;
    // The model byte of a serial reply, which the panel maps to a model
    // even when it is neither 0 nor 1; -1 without one.
    int32_t serialValue = -1;
};

// Under DDC/CI reads the model's VCP code; on the serial line asks for the
// model reply, waits, drains and scans, keeping the receive write position.
// A serial reply that does not name the K420, or no reply at all, means the
// first model.
ModelQueryResult queryModel(LinkState& link, MessageService& messages);

// "ZEPTA-Lumivex K420 V1.5" for a known model, "ZEPTA-Lumivex V1.5" for an
// unknown one; no title for the other outcomes.
QString modelTitle(const ModelQueryResult& result, const QString& modelName);

}  // namespace lumivex
