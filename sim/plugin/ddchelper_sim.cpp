// libDDCHelper-sim.so: the DDC/CI library with simulated ZEPTA controllers
// instead of monitors, so the panel can be tried and tested without
// hardware. Each simulated monitor is its own controller.

#include "sim/plugin/call_log.h"
#include "link/ddc/ddchelper.h"
#include "sim/device/device_model.h"
#include "sim/plugin/sim_config.h"
#include "sim/plugin/sim_state_file.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace {

using lumivex::device::DeviceModel;

// Statuses of the simulated library.
constexpr int32_t kNotInitialised = 1;
constexpr int32_t kNoMoreMonitors = 2;
constexpr int32_t kBadHandle = 3;
constexpr int32_t kBadArgument = 4;
constexpr int32_t kVcpRefused = 5;  // code not answered, or value refused

// Handles are opaque to the panel; these never collide with 0, which the
// panel keeps when no monitor is found.
constexpr uint32_t kFirstHandle = 0x5A100001;

struct Simulator {
    std::mutex mutex;
    bool initialised = false;
    std::vector<DeviceModel> monitors;
    size_t cursor = 0;
    lumivex::sim::CallLog log;
    std::string statePath;  // ZEPTA_SIM_STATE as of the last InitDDCHelper
};

Simulator& simulator()
{
    static Simulator sim;
    return sim;
}

DeviceModel* monitorFor(Simulator& sim, uint32_t handle)
{
    if (!sim.initialised || handle < kFirstHandle)
        return nullptr;
    const size_t index = handle - kFirstHandle;
    return index < sim.monitors.size() ? &sim.monitors[index] : nullptr;
}

// The next monitor after the cursor, or why there is none.
int32_t enumerate(Simulator& sim, uint32_t* handle)
{
    if (!handle)
        return kBadArgument;
    if (!sim.initialised)
        return kNotInitialised;
    if (sim.cursor >= sim.monitors.size())
        return kNoMoreMonitors;
    *handle = kFirstHandle + static_cast<uint32_t>(sim.cursor++);
    return 0;
}

void logEnumeration(Simulator& sim, const char* call, int32_t status, const uint32_t* handle)
{
    if (status == 0)
        sim.log.write("%s() = 0 handle 0x%08X", call, *handle);
    else
        sim.log.write("%s() = %d", call, status);
}

int32_t readValue(Simulator& sim, uint32_t handle, uint32_t vcp, uint32_t* current, uint32_t* maximum)
{
    if (!current || !maximum || vcp > 0xFF)
        return kBadArgument;
    DeviceModel* monitor = monitorFor(sim, handle);
    if (!monitor)
        return sim.initialised ? kBadHandle : kNotInitialised;
    uint32_t value = 0;
    uint32_t max = 0;
    if (!monitor->readVcp(static_cast<uint8_t>(vcp), value, max))
        return kVcpRefused;
    *current = value;
    *maximum = max;
    return 0;
}

int32_t writeValue(Simulator& sim, uint32_t handle, uint32_t vcp, uint32_t value)
{
    if (vcp > 0xFF)
        return kBadArgument;
    DeviceModel* monitor = monitorFor(sim, handle);
    if (!monitor)
        return sim.initialised ? kBadHandle : kNotInitialised;
    return monitor->writeVcp(static_cast<uint8_t>(vcp), value) ? 0 : kVcpRefused;
}

}  // namespace

extern "C" {

int32_t InstallDriver(int32_t a, int32_t b)
{
    Simulator& sim = simulator();
    std::lock_guard lock(sim.mutex);
    // The panel installs the driver before it initialises the library.
    const lumivex::sim::SimConfig config = lumivex::sim::readSimConfig(&std::getenv);
    sim.log.reopen(config.logPath);
    sim.log.write("InstallDriver(%d, %d) = 0", a, b);
    return 0;
}

int32_t InitDDCHelper(void)
{
    Simulator& sim = simulator();
    std::lock_guard lock(sim.mutex);
    const lumivex::sim::SimConfig config = lumivex::sim::readSimConfig(&std::getenv);
    if (!config.problems.empty())
        std::fprintf(stderr, "libDDCHelper-sim: %s\n", config.problems.c_str());
    sim.monitors.assign(static_cast<size_t>(config.monitors), DeviceModel(config.model));
    sim.statePath = config.statePath;
    if (!sim.statePath.empty()) {
        const std::string problem = lumivex::sim::loadSimState(sim.statePath, sim.monitors);
        if (!problem.empty())
            std::fprintf(stderr, "libDDCHelper-sim: %s: %s; the monitors start from their defaults\n",
                         sim.statePath.c_str(), problem.c_str());
    }
    sim.cursor = 0;
    sim.initialised = config.initError == 0;
    sim.log.reopen(config.logPath);
    sim.log.write("InitDDCHelper() = %d", config.initError);
    return config.initError;
}

int32_t EnumGetFirst(uint32_t* handle)
{
    Simulator& sim = simulator();
    std::lock_guard lock(sim.mutex);
    sim.cursor = 0;
    const int32_t status = enumerate(sim, handle);
    logEnumeration(sim, "EnumGetFirst", status, handle);
    return status;
}

int32_t EnumGetNext(uint32_t* handle)
{
    Simulator& sim = simulator();
    std::lock_guard lock(sim.mutex);
    const int32_t status = sim.cursor == 0 && handle && sim.initialised ? kNoMoreMonitors : enumerate(sim, handle);
    logEnumeration(sim, "EnumGetNext", status, handle);
    return status;
}

int32_t GetCIValue(uint32_t handle, uint32_t vcp, uint32_t* current, uint32_t* maximum)
{
    Simulator& sim = simulator();
    std::lock_guard lock(sim.mutex);
    const int32_t status = readValue(sim, handle, vcp, current, maximum);
    if (status == 0)
        sim.log.write("GetCIValue(0x%08X, 0x%02X) = 0 current 0x%X maximum 0x%X", handle, vcp, *current, *maximum);
    else
        sim.log.write("GetCIValue(0x%08X, 0x%02X) = %d", handle, vcp, status);
    return status;
}

int32_t SetCIValue(uint32_t handle, uint32_t vcp, uint32_t value)
{
    Simulator& sim = simulator();
    std::lock_guard lock(sim.mutex);
    const int32_t status = writeValue(sim, handle, vcp, value);
    sim.log.write("SetCIValue(0x%08X, 0x%02X, %u) = %d", handle, vcp, value, status);
    // The monitor took the value either way; the file is only its memory
    // for the next run, so a write that fails is said but not returned.
    if (status == 0 && !sim.statePath.empty()) {
        const std::string problem = lumivex::sim::saveSimState(sim.statePath, sim.monitors);
        if (!problem.empty())
            std::fprintf(stderr, "libDDCHelper-sim: %s: %s; the next run will not see this setting\n",
                         sim.statePath.c_str(), problem.c_str());
    }
    return status;
}

const char* DDCStatusName(int32_t status)
{
    switch (status) {
    case kNotInitialised: return "not initialised";
    case kNoMoreMonitors: return "no more monitors";
    case kBadHandle: return "bad handle";
    case kBadArgument: return "bad argument";
    case kVcpRefused: return "code not answered";
    default: return nullptr;
    }
}

}  // extern "C"
