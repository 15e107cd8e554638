#include "sim/plugin/sim_config.h"

#include <cerrno>
#include <cstdlib>

namespace lumivex::sim {

namespace {

bool parseInteger(const char* text, long long& out)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text, &end, 0);
    if (errno != 0 || *end != '\0')
        return false;
    out = value;
    return true;
}

}  // namespace

SimConfig readSimConfig(EnvLookup env)
{
    SimConfig config;
    if (const char* model = env("ZEPTA_SIM_MODEL"); model && *model) {
        if (auto parsed = device::parseModel(model))
            config.model = *parsed;
        else
            config.problems += std::string("ZEPTA_SIM_MODEL: unknown model '") + model + "'; ";
    }
    if (const char* monitors = env("ZEPTA_SIM_MONITORS")) {
        long long n = 0;
        if (parseInteger(monitors, n) && n >= 0 && n <= kMaxSimMonitors)
            config.monitors = static_cast<int>(n);
        else
            config.problems += std::string("ZEPTA_SIM_MONITORS: not a count 0..64: '") + monitors + "'; ";
    }
    if (const char* error = env("ZEPTA_SIM_INIT_ERROR")) {
        long long n = 0;
        if (parseInteger(error, n) && n >= INT32_MIN && n <= UINT32_MAX)
            config.initError = static_cast<int32_t>(static_cast<uint32_t>(n));
        else
            config.problems += std::string("ZEPTA_SIM_INIT_ERROR: not a number: '") + error + "'; ";
    }
    if (const char* log = env("ZEPTA_SIM_LOG"))
        config.logPath = log;
    if (const char* state = env("ZEPTA_SIM_STATE"))
        config.statePath = state;
    return config;
}

}  // namespace lumivex::sim
