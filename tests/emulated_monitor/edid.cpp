#include "edid.h"

#include <algorithm>
#include <string>

namespace lumivex::emulator {

namespace {

// Three letters, five bits each, 'A' = 1.
constexpr uint16_t kMaker = (('Z' - '@') << 10) | (('P' - '@') << 5) | ('T' - '@');
constexpr uint16_t kProduct = 0x0410;

void putDescriptor(EdidBlock& edid, size_t at, uint8_t tag, std::string_view text)
{
    edid[at + 3] = tag;
    const size_t length = std::min<size_t>(text.size(), 13);
    for (size_t i = 0; i < 13; ++i)
        edid[at + 5 + i] = i < length ? static_cast<uint8_t>(text[i]) : (i == length ? 0x0A : 0x20);
}

}  // namespace

EdidBlock makeEdid(std::string_view name, uint32_t serial)
{
    EdidBlock edid{};
    constexpr uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(std::begin(header), std::end(header), edid.begin());
    edid[8] = kMaker >> 8;
    edid[9] = kMaker & 0xFF;
    edid[10] = kProduct & 0xFF;
    edid[11] = kProduct >> 8;
    for (int i = 0; i < 4; ++i)
        edid[12 + i] = static_cast<uint8_t>(serial >> (8 * i));
    edid[16] = 1;     // week
    edid[17] = 34;    // 2024
    edid[18] = 1;     // EDID 1.4
    edid[19] = 4;
    edid[20] = 0x80;  // digital input
    edid[21] = 53;    // cm
    edid[22] = 30;
    edid[23] = 120;   // gamma 2.2
    edid[24] = 0x0A;
    // Four 18-byte descriptors from offset 54: the name, and a serial text;
    // the two others are dummies (tag 0x10).
    putDescriptor(edid, 54, 0xFC, name);
    putDescriptor(edid, 72, 0xFF, "LVX" + std::to_string(serial));
    edid[90 + 3] = 0x10;
    edid[108 + 3] = 0x10;
    uint8_t sum = 0;
    for (size_t i = 0; i < 127; ++i)
        sum = static_cast<uint8_t>(sum + edid[i]);
    edid[127] = static_cast<uint8_t>(0x100 - sum);
    return edid;
}

}  // namespace lumivex::emulator
