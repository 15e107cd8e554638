#include "platform/app_paths.h"

#include "platform/ini_profile.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace lumivex {

std::filesystem::path executableDirectory()
{
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return std::filesystem::current_path(ec);
    return exe.parent_path();
}

std::filesystem::path installedPluginDirectory(const std::filesystem::path& executableDir)
{
    return (executableDir / LUMIVEX_PLUGIN_DIR_FROM_BIN).lexically_normal();
}

bool isInstalledCopy(const std::filesystem::path& executableDir)
{
    std::error_code ec;
    return std::filesystem::is_directory(installedPluginDirectory(executableDir), ec);
}

bool isWritableLocation(const std::filesystem::path& file)
{
    // The file is replaced by a new one written beside it, so its folder
    // must take new files even when the file itself could be written.
    const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : ".";
    if (::access(dir.c_str(), W_OK | X_OK) != 0)
        return false;
    std::error_code ec;
    return !std::filesystem::exists(file, ec) || ::access(file.c_str(), W_OK) == 0;
}

namespace {

// A service has no per-user folder; the program's own folder is no place
// for settings either (root could write into /usr/bin).
std::filesystem::path serviceStateDirectory(const std::optional<std::string>& stateDirectory)
{
    const std::string first = stateDirectory ? stateDirectory->substr(0, stateDirectory->find(':')) : std::string();
    return first.empty() ? std::filesystem::path(kSystemStateDirectory) : std::filesystem::path(first);
}

}  // namespace

std::filesystem::path chooseIniPath(const IniLocationInputs& in)
{
    const std::filesystem::path besideExe = in.executableDirectory / kIniFileName;
    if (!in.installed && in.isWritable && in.isWritable(besideExe))
        return besideExe;

    std::filesystem::path configHome;
    if (in.xdgConfigHome && !in.xdgConfigHome->empty() && in.xdgConfigHome->front() == '/')
        configHome = *in.xdgConfigHome;
    else if (in.home && !in.home->empty())
        configHome = std::filesystem::path(*in.home) / ".config";
    else
        return serviceStateDirectory(in.stateDirectory) / kIniFileName;
    return configHome / "zepta" / kIniFileName;
}

std::filesystem::path prepareIniPath(const IniLocationInputs& in)
{
    const std::filesystem::path chosen = chooseIniPath(in);
    const std::filesystem::path besideExe = in.executableDirectory / kIniFileName;
    std::error_code ec;
    if (chosen == besideExe || std::filesystem::exists(chosen, ec) ||
        !std::filesystem::is_regular_file(besideExe, ec))
        return chosen;
    // A file too large to be read as settings stays where it is, and is
    // refused there, rather than copied.
    const std::uintmax_t size = std::filesystem::file_size(besideExe, ec);
    if (ec || overSettingsLimit(size))
        return besideExe;
    // Copied under another name and renamed, so a copy cut short is never
    // taken for the settings.
    std::filesystem::path temp = chosen;
    temp += ".tmp";
    std::filesystem::create_directories(chosen.parent_path(), ec);
    if (std::filesystem::copy_file(besideExe, temp, std::filesystem::copy_options::overwrite_existing, ec)) {
        std::filesystem::rename(temp, chosen, ec);
        if (!ec)
            return chosen;
    }
    std::filesystem::remove(temp, ec);
    return besideExe;
}

IniLocationInputs iniLocationInputsFromEnvironment(const std::filesystem::path& executableDir)
{
    auto env = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    return {executableDir, env("XDG_CONFIG_HOME"), env("HOME"), &isWritableLocation,
            isInstalledCopy(executableDir), env("STATE_DIRECTORY")};
}

std::filesystem::path defaultIniPath()
{
    return prepareIniPath(iniLocationInputsFromEnvironment(executableDirectory()));
}

}  // namespace lumivex
