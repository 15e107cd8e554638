#pragma once
// Where the running program lives and where its INI file goes.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace lumivex {

// Directory of the running executable, canonical, letter case untouched.
std::filesystem::path executableDirectory();

// The INI file name beside the executable.
inline constexpr const char* kIniFileName = "ZEPTA.ini";

struct IniLocationInputs {
    std::filesystem::path executableDirectory;
    std::optional<std::string> xdgConfigHome;  // $XDG_CONFIG_HOME
    std::optional<std::string> home;           // $HOME
    // True when the path (a file if it exists, else its directory) can be written.
    std::function<bool(const std::filesystem::path&)> isWritable;
};

// <exe dir>/ZEPTA.ini when it can be written there; otherwise the per-user
// $XDG_CONFIG_HOME/zepta/ZEPTA.ini (or ~/.config/zepta/ZEPTA.ini), so that
// settings are never silently lost.
std::filesystem::path chooseIniPath(const IniLocationInputs& inputs);

// chooseIniPath() with the real environment and file-system checks.
std::filesystem::path defaultIniPath();

// access(W_OK) on the file when it exists, else on its directory.
bool isWritableLocation(const std::filesystem::path& file);

}  // namespace lumivex
