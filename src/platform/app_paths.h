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

// Where an installed copy keeps its plugins, found from the executable's
// folder (e.g. /usr/local/bin -> /usr/local/lib/lumivex).
std::filesystem::path installedPluginDirectory(const std::filesystem::path& executableDir);

// True when the executable sits in an installed layout: its plugin folder
// is there. A build tree keeps the plugins beside the executable instead.
bool isInstalledCopy(const std::filesystem::path& executableDir);

struct IniLocationInputs {
    std::filesystem::path executableDirectory;
    std::optional<std::string> xdgConfigHome;  // $XDG_CONFIG_HOME
    std::optional<std::string> home;           // $HOME
    // True when the file can be written there (see isWritableLocation()).
    std::function<bool(const std::filesystem::path&)> isWritable;
    // An installed copy never writes beside itself (root could write into
    // /usr/bin); each user keeps a file of their own.
    bool installed = false;
    // $STATE_DIRECTORY, which systemd sets for a service with StateDirectory=
    // (a colon-separated list when it names several; the first is ours).
    std::optional<std::string> stateDirectory = std::nullopt;
};

// Where a program with neither a home nor a config folder (a system service
// without User=) keeps the file when systemd names no state folder.
inline constexpr const char* kSystemStateDirectory = "/var/lib/lumivex";

// <exe dir>/ZEPTA.ini when it can be written there and the copy is not
// installed; otherwise the per-user $XDG_CONFIG_HOME/zepta/ZEPTA.ini (or
// ~/.config/zepta/ZEPTA.ini), so that settings are never silently lost.
// With neither variable set, the first folder of $STATE_DIRECTORY, else
// kSystemStateDirectory: never the program's folder.
std::filesystem::path chooseIniPath(const IniLocationInputs& inputs);

// chooseIniPath(), and when that is not the file beside the executable and
// it does not exist yet, a ZEPTA.ini beside the executable is copied there
// first: the sizes and ports kept in a file that cannot be written (or left
// in /usr/bin by an earlier service) carry over instead of giving way to
// defaults. When the copy cannot be made, the file beside the
// executable is kept, so that it is still read (its writes then fail).
std::filesystem::path prepareIniPath(const IniLocationInputs& inputs);

// The inputs for a program in executableDir, from the real environment and
// file system.
IniLocationInputs iniLocationInputsFromEnvironment(const std::filesystem::path& executableDir);

// prepareIniPath() for the running program, from iniLocationInputsFromEnvironment().
std::filesystem::path defaultIniPath();

// The file's folder takes new files (access W_OK) and the file, when it
// exists, can be written.
bool isWritableLocation(const std::filesystem::path& file);

}  // namespace lumivex
