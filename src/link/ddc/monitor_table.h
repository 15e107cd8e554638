#pragma once
// The monitors found at start-up. Every page addresses entry 0; with no
// monitor it stays 0 and commands still go to that empty handle.

#include "link/ddc/ddc_api.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace lumivex {

struct MonitorTable {
    static constexpr int kCapacity = 10;
    std::array<uint32_t, kCapacity> handles{};
    int32_t count = 0;

    uint32_t first() const { return handles[0]; }
};

// EnumGetFirst into entry 0, then EnumGetNext into the following entries
// until one fails or the table is full. Enumerates once; nothing re-runs it.
void enumerateMonitors(DdcApi& ddc, MonitorTable& table);

}  // namespace lumivex
