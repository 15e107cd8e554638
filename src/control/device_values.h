#pragma once
// The device's settings as the control library names them: the protocol's values.

#include "link/protocol.h"

#include <cstdint>

namespace lumivex::control {

// The values are what the device reports and receives; a device may report
// one that is not named here, and that raw number is kept as it is.
using protocol::Input;
using protocol::Mask;
using protocol::Osd;
using protocol::Power;
using protocol::Rotation;
using protocol::osdModeFor;

// The largest mask in tenths that a saved set-up may carry: a byte. The
// panel keeps Calculate to 10 %, but a device can report more.
inline constexpr int32_t kMaxStoredTenths = protocol::kMaskVMaxTenths;

}  // namespace lumivex::control
