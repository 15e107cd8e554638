#include "emulated_monitors.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lumivex::testing {

namespace {

std::string binDirectory()
{
    const char* dir = std::getenv("LUMIVEX_BIN_DIR");
    return dir ? dir : LUMIVEX_TEST_BIN_DIR;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

std::string realDdcLibraryPath()
{
    return binDirectory() + "/libDDCHelper.so";
}

bool emulatorPreloaded()
{
    return ::dlsym(RTLD_DEFAULT, "lumivex_i2c_emulator_present") != nullptr;
}

EmulatedMonitors::EmulatedMonitors(const std::vector<std::string>& busLines)
{
    std::ofstream config(m_dir / "emulator.conf");
    config << "log=" << (m_dir / "exchanges.log").string() << "\n";
    config << "state=" << (m_dir / "monitors.state").string() << "\n";
    for (const std::string& line : busLines)
        config << line << "\n";
    // The user's own ddcutilrc must not change what the library does here.
    std::filesystem::create_directories(m_dir / "config/ddcutil");
    std::ofstream(m_dir / "config/ddcutil/ddcutilrc") << "[libddcutil]\n";
}

std::vector<std::pair<std::string, std::string>> EmulatedMonitors::environment() const
{
    return {{"LD_PRELOAD", LUMIVEX_EMULATOR_PRELOAD},
            {"LUMIVEX_I2C_EMULATOR", (m_dir / "emulator.conf").string()},
            {"XDG_CONFIG_HOME", (m_dir / "config").string()},
            {"ZEPTA_DDCHELPER", realDdcLibraryPath()}};
}

void EmulatedMonitors::useInThisProcess() const
{
    for (const auto& [name, value] : environment()) {
        if (name != "LD_PRELOAD")
            ::setenv(name.c_str(), value.c_str(), 1);
    }
}

void EmulatedMonitors::presetState(const std::string& lines) const
{
    std::ofstream(m_dir / "monitors.state") << lines;
}

std::vector<std::string> EmulatedMonitors::logged(std::string_view containing) const
{
    std::vector<std::string> lines;
    std::istringstream text(logText());
    for (std::string line; std::getline(text, line);) {
        if (line.find(containing) != std::string::npos)
            lines.push_back(line);
    }
    return lines;
}

std::string EmulatedMonitors::logText() const
{
    return readFile(m_dir / "exchanges.log");
}

std::string EmulatedMonitors::state() const
{
    return readFile(m_dir / "monitors.state");
}

}  // namespace lumivex::testing
