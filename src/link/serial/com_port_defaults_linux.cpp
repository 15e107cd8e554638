#include "link/serial/com_port_map.h"

#include <array>

namespace lumivex {
namespace {

struct DeviceRange {
    int firstPort;     // the COM number that maps to index 0
    const char* stem;  // the device path without its index
};

// Built-in UARTs first, then USB serial adapters, then USB modems (CDC ACM),
// 32 of each.
constexpr std::array<DeviceRange, 3> kRanges{{
    {1, "/dev/ttyS"},
    {33, "/dev/ttyUSB"},
    {65, "/dev/ttyACM"},
}};
constexpr int kPortsPerRange = 32;

}  // namespace

std::optional<std::string> ComPortMap::defaultPath(int number)
{
    for (const DeviceRange& range : kRanges) {
        const int index = number - range.firstPort;
        if (index >= 0 && index < kPortsPerRange)
            return range.stem + std::to_string(index);
    }
    return std::nullopt;
}

}  // namespace lumivex
