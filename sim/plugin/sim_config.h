#pragma once
// How the simulated DDC/CI library is set up, read from the environment
// each time it is initialised:
//   ZEPTA_SIM_MODEL       K410 (default) or K420
//   ZEPTA_SIM_MONITORS    number of monitors, default 1 (0 and more than 10 allowed)
//   ZEPTA_SIM_INIT_ERROR  InitDDCHelper answers this status (decimal or 0x..)
//   ZEPTA_SIM_LOG         a file every call is appended to (none when unset)
//   ZEPTA_SIM_STATE       a file the monitors' settings are kept in between runs

#include "sim/device/device_model.h"

#include <cstdint>
#include <string>

namespace lumivex::sim {

struct SimConfig {
    device::Model model = device::Model::K410;
    int monitors = 1;
    int32_t initError = 0;
    std::string logPath;
    std::string statePath;  // empty: every run starts from the defaults
    std::string problems;  // what in the environment was not understood
};

inline constexpr int kMaxSimMonitors = 64;

using EnvLookup = char* (*)(const char*);  // std::getenv, or a test double
SimConfig readSimConfig(EnvLookup env);

}  // namespace lumivex::sim
