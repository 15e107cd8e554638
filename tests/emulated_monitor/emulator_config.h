#pragma once
// What the emulated I2C buses hold, read from the text of the file named by
// LUMIVEX_I2C_EMULATOR. One setting a word, key=value; a line that starts
// with bus= is one bus (/dev/i2c-N):
//
//   log=/tmp/run/exchanges.log        every exchange, appended
//   state=/tmp/run/monitors.state     kept across runs, rewritten after a Set
//   bus=3 model=K410                  a ZEPTA controller behind DDC/CI
//   bus=4 model=K420 delay-ms=120 bad-checksum=0xB2 unsupported=0xB3,0xFB gpi=5
//   bus=5 ddc=nak                     EDID only; DDC/CI is not acknowledged
//   bus=6 model=none code=0x10:50:100 code=0x04:0:1:momentary
//
// code=CODE:CURRENT:MAXIMUM[:momentary] answers a code of its own (before
// the controller's); a Set of it stores the value.

#include "sim/device/device_model.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex::emulator {

inline constexpr const char* kEmulatorVariable = "LUMIVEX_I2C_EMULATOR";

struct OwnCode {
    uint16_t current = 0;
    uint16_t maximum = 0;
    bool momentary = false;
};

struct BusConfig {
    int number = 0;
    std::optional<device::Model> model;  // none: only its own codes
    std::map<uint8_t, OwnCode> codes;
    std::set<uint8_t> unsupported;
    int replyDelayMs = 0;
    bool ddcNak = false;
    std::optional<uint8_t> badChecksumCode;
    uint8_t gpiBits = 0;
};

struct EmulatorConfig {
    std::string logPath;
    std::string statePath;
    std::vector<BusConfig> buses;
};

struct ParsedConfig {
    EmulatorConfig config;
    std::string error;  // empty when every word was understood
};

ParsedConfig parseEmulatorConfig(std::string_view text);

}  // namespace lumivex::emulator
