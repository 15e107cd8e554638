#pragma once
// Every command frame the panel sends, byte for byte, with the VCP write
// that carries the same command under DDC/CI: one table for the frame tests
// and for the tests that watch the frames reach zepta-sim.

#include "link/command_table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lumivex::testing {

using Bytes = std::vector<uint8_t>;

struct FrameRow {
    std::string what;
    Command command;
    uint8_t vcpCode;
    uint32_t vcpValue;
    Bytes frame;
};

inline std::vector<FrameRow> frameRows()
{
    return {
        {"VGA", commands::inputSource(0), 0x60, 0, {0x04, 0x1B, 0x00, 0xE1}},
        {"Component", commands::inputSource(1), 0x60, 1, {0x04, 0x1B, 0x01, 0xE0}},
        {"DVI", commands::inputSource(2), 0x60, 2, {0x04, 0x1B, 0x02, 0xDF}},
        {"power OFF", commands::power(0), 0xD6, 0, {0x04, 0x1C, 0x00, 0xE0}},
        {"power ON (also Alt+P)", commands::power(1), 0xD6, 1, {0x04, 0x1C, 0x01, 0xDF}},
        {"Factory Reset", commands::factoryReset(), 0x04, 1, {0x04, 0x01, 0x01, 0xFA}},
        {"Auto Adjust", commands::autoAdjust(), 0xEC, 1, {0x04, 0x01, 0x00, 0xFB}},
        {"UNLOCK", commands::osdMode(0), 0xFC, 0, {0x04, 0x02, 0x00, 0xFA}},
        {"LOCK", commands::osdMode(1), 0xFC, 1, {0x04, 0x02, 0x01, 0xF9}},
        {"Normal", commands::osdMode(2), 0xFC, 2, {0x04, 0x02, 0x02, 0xF8}},
        {"Rotation", commands::osdMode(3), 0xFC, 3, {0x04, 0x02, 0x03, 0xF7}},
        {"GPO-2 checked", commands::gpo(0x02), 0xB3, 0x02, {0x04, 0x05, 0x02, 0xF5}},
        {"then GPO-4 checked", commands::gpo(0x0A), 0xB3, 0x0A, {0x04, 0x05, 0x0A, 0xED}},
        {"then GPO-2 unchecked", commands::gpo(0x08), 0xB3, 0x08, {0x04, 0x05, 0x08, 0xEF}},
        {"Identify Monitors", commands::identify(), 0xFB, 0, {0x05, 0x02, 0x04, 0x00, 0xF5}},
        {"resolution 1920x1080, layout 2", commands::resolution(8, 2), 0xB0, 8, {0x05, 0x19, 0x08, 0x02, 0xD8}},
        {"layout 6 at resolution 1", commands::displayMode(1, 6), 0xB1, 6, {0x05, 0x19, 0x01, 0x06, 0xDB}},
        {"neither list selected", commands::displayMode(-1, -1), 0xB1, 0xFFFFFFFF, {0x05, 0x19, 0xFF, 0xFF, 0xE4}},
        {"mask ON, H 25 V 30", commands::bezelMask(0, 25, 30, true), 0xB2, 25 * 256 + 30 + 0x8000,
         {0x07, 0x18, 0x00, 0x19, 0x1E, 0x01, 0xA9}},
        {"mask OFF, H 25 V 30", commands::bezelMask(0, 25, 30, false), 0xB2, 25 * 256 + 30,
         {0x07, 0x18, 0x00, 0x19, 0x1E, 0x00, 0xAA}},
        {"mask ON, no layout selected", commands::bezelMask(-1, 0, 0, true), 0xB2, 0x8000,
         {0x07, 0x18, 0xFF, 0x00, 0x00, 0x01, 0xE1}},
        // Tenths past a field are held at its largest value: H never reaches
        // the ON bit under DDC/CI, and no serial byte wraps to a small value.
        {"mask OFF, H 300 V 999", commands::bezelMask(3, 300, 999, false), 0xB2, 127 * 256 + 255,
         {0x07, 0x18, 0x03, 0xFF, 0xFF, 0x00, 0xE0}},
        {"mask ON, H 300 V -5", commands::bezelMask(2, 300, -5, true), 0xB2, 127 * 256 + 0x8000,
         {0x07, 0x18, 0x02, 0xFF, 0x00, 0x01, 0xDF}},
    };
}

}  // namespace lumivex::testing
