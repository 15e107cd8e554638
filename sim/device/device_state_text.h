#pragma once
// A controller's settings as words, "input=2 power=1 osd-lock=0 ...", the
// form in which the simulators keep them from one run to the next.

#include "sim/device/device_model.h"

#include <string>
#include <string_view>

namespace lumivex::device {

// Every field of the state, in a fixed order, separated by single spaces.
std::string stateWords(const DeviceState& state);

enum class StateWord : uint8_t {
    Taken,        // the field now holds the value
    UnknownName,  // no field has that name; nothing changed
    BadValue,     // not a decimal number the field can hold; nothing changed
};

// One word "name=value", already split at its '='.
StateWord applyStateWord(DeviceState& state, std::string_view name, std::string_view value);

}  // namespace lumivex::device
