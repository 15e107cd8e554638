#pragma once
// zepta-sim's command line.

#include "sim/device/device_model.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumivex::sim {

// How each reply is spoilt before it is sent, to play a faulty device.
enum class Garble {
    None,
    Truncate,  // only the first half of the reply is sent
    Length,    // the length byte counts one byte more than the reply has
    High,      // every byte after the two-byte header has its top bit set
    Checksum,  // the last byte is one more than the sum needs
};

struct SimOptions {
    device::Model model = device::Model::K410;
    uint8_t gpiBits = 0;     // the four inputs as wired, bits 0..3
    std::string logPath;     // empty: no log
    bool noReply = false;    // read requests are applied but never answered
    int noiseBytes = 0;      // stray bytes written before each reply
    int delayMs = 0;         // time between a request and its reply
    Garble garble = Garble::None;
    bool persist = false;    // keep serving after the panel closes its side
    bool dropFirst = false;  // each opening of the port loses the first byte sent
    bool forgetWrites = false;  // settings are taken and then lost: a read-back shows the old value
    bool help = false;
};

struct ParsedOptions {
    std::optional<SimOptions> options;  // empty on a mistake
    std::string error;                  // what was wrong
};

ParsedOptions parseSimOptions(const std::vector<std::string>& args);

// Every option parseSimOptions takes, as written ("--model", "-h").
std::vector<std::string> simOptionNames();

extern const char* const kSimUsage;

}  // namespace lumivex::sim
