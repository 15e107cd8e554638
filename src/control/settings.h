#pragma once
// One setting of a controller changed, and read back: each sends its
// command and returns what the device should then read, or nothing when
// the device cannot report it. A model without the setting is refused.

#include "control/device_values.h"
#include "control/setup_plan.h"
#include "panel/display_rules.h"

#include <optional>
#include <utility>
#include <vector>

namespace lumivex::control {

class Session;

// What a set should read back afterwards; empty when it cannot be read.
using SetCheck = std::optional<Wanted>;

// A mask switched on: in percent, or from the sizes in millimetres.
struct MaskRequest {
    std::optional<float> h;
    std::optional<float> v;
    std::optional<std::pair<double, double>> bezel;     // width, height
    std::optional<std::pair<double, double>> viewable;  // width, height
};

// All four outputs, or one output switched.
struct GpoChange {
    std::optional<uint8_t> bits;  // GPO-4 first
    int output = 0;               // 1..4 when bits is empty
    bool on = false;
};

SetCheck setInput(Session& session, Input input);
SetCheck setPower(Session& session, Power power);
SetCheck setOsd(Session& session, Osd osd);
// verify: with a link that cannot read the rotation, the model is asked
// first, so a silent controller is never taken for one that obeyed.
SetCheck setRotation(Session& session, Rotation rotation, bool verify);
SetCheck setGpo(Session& session, const GpoChange& change);
SetCheck setResolution(Session& session, int32_t index);
SetCheck setLayout(Session& session, int32_t index);

// Why a mask request gives no mask.
enum class MaskRefusal {
    None,
    ModelUnknown,      // sizes, but which share of the bezel is masked depends on the model
    NoMaskFromPercent, // the percentages give none
    NoMaskFromSizes,   // the viewable width or height is 0
    AboveLimit,        // more than the device masks
};
struct MaskTenths {
    MaskRefusal refusal = MaskRefusal::None;
    DisplayState state;  // the tenths, and the percentages they came from
};
// The tenths of a mask switched on, by the panel's rules; sizes that give a
// mask are kept in ZEPTA.ini, as the Display tab's Calculate does.
MaskTenths maskTenths(Session& session, const MaskRequest& request);
// On takes the tenths of maskTenths; off keeps the device's tenths.
SetCheck setMask(Session& session, Mask mask, const DisplayState& tenths = {});

// What the device reads back of what was wanted: one row a field that did not take.
std::vector<Mismatch> readBack(Session& session, const Wanted& wanted);

}  // namespace lumivex::control
