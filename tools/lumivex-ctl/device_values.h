#pragma once
// The device's settings as lumivex-ctl names them, and the one place the
// protocol's numbers for them live.

#include <cstdint>

namespace lumivex::ctl {

// The values are what the device reports and receives; a device may report
// one that is not named here, and that raw number is kept as it is.
enum class Input : int32_t { Vga = 0, Component = 1, Dvi = 2 };
enum class Power : int32_t { Off = 0, On = 1 };
enum class Osd : int32_t { Unlocked = 0, Locked = 1 };
enum class Rotation : int32_t { Normal = 0, Rotated = 1 };
enum class Mask : int32_t { Off = 0, On = 1 };

// The OSD-mode command carries both the lock and the rotation.
constexpr int32_t osdModeFor(Osd osd)
{
    return static_cast<int32_t>(osd);
}
constexpr int32_t osdModeFor(Rotation rotation)
{
    return 2 + static_cast<int32_t>(rotation);
}

// The largest mask in tenths that a saved set-up may carry: a byte. The
// panel keeps Calculate to 10 %, but a device can report more.
inline constexpr int32_t kMaxStoredTenths = 255;

}  // namespace lumivex::ctl
