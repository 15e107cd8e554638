#pragma once
// ZEPTA_SIM_STATE: what the simulated monitors hold, kept in a file so that
// a setting made by one process (lumivex-ctl set) is there for the next
// (lumivex-ctl status). One line a monitor, numbered as they are found:
//   monitor=0 input=2 power=1 osd-lock=0 rotation=0 gpo=5 ...

#include "sim/device/device_model.h"

#include <string>
#include <vector>

namespace lumivex::sim {

// Empty when the monitors hold what the file keeps, or there is no file.
// Otherwise why not, and the monitors are left as they were: a file that
// cannot be read whole is never half applied. Lines for monitors beyond
// those simulated now are passed over.
std::string loadSimState(const std::string& path, std::vector<device::DeviceModel>& monitors);

// The file replaced whole (a new file renamed over the old one), so a run
// that is cut short leaves the last state. Empty, or why not.
std::string saveSimState(const std::string& path, const std::vector<device::DeviceModel>& monitors);

}  // namespace lumivex::sim
