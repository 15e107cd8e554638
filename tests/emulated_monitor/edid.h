#pragma once
// A 128-byte EDID base block for an emulated monitor: header, maker and
// product, a serial number and a name descriptor, summing to zero.

#include <array>
#include <cstdint>
#include <string_view>

namespace lumivex::emulator {

using EdidBlock = std::array<uint8_t, 128>;

// name: up to 13 characters; serial tells monitors of one product apart.
EdidBlock makeEdid(std::string_view name, uint32_t serial);

}  // namespace lumivex::emulator
