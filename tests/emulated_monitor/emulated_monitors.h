#pragma once
// The real DDC/CI stack in a test: the real libDDCHelper.so over the real
// libddcutil, with the emulated monitors of a folder of its own. For a
// process, pass environment() to it; a test program that loads the plugin
// itself is started with the preload (see the CMake function
// lumivex_add_emulated_monitor_test) and calls useInThisProcess() first.

#include "temp_dir.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumivex::testing {

// bin/libDDCHelper.so of the build.
std::string realDdcLibraryPath();

class EmulatedMonitors {
public:
    // busLines: one bus a line, as the emulator's file takes them, e.g.
    // "bus=3 model=K410", "bus=5 ddc=nak".
    explicit EmulatedMonitors(const std::vector<std::string>& busLines);

    // LD_PRELOAD, the emulator's file, a ddcutilrc of its own and
    // ZEPTA_DDCHELPER naming the real plugin.
    std::vector<std::pair<std::string, std::string>> environment() const;
    // The same, set in this process (whose preload must already be there).
    void useInThisProcess() const;

    // What the monitors hold when the emulator starts, as state lines.
    void presetState(const std::string& lines) const;

    // Lines of the exchange log containing the text, e.g. " set ", " get 0xB2".
    std::vector<std::string> logged(std::string_view containing) const;
    // The state file: one line a bus, "bus=3 input=1 power=1 ...".
    std::string state() const;
    std::string logText() const;

private:
    TempDir m_dir;
};

// True when the emulator is preloaded into this process.
bool emulatorPreloaded();

}  // namespace lumivex::testing
