#pragma once
// Turns the panel's port names ("COM1", "COM2", …) into device paths.
// "COMn" resolves through the environment variable ZEPTA_COMn, then the key
// COMn of section "Ports" in ZEPTA.ini, then the default table; any other
// name is a path already and is used as given.

#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace lumivex {

class ComPortMap {
public:
    // Answers the value of a key ("COM3") of section "Ports", if set.
    using PortsLookup = std::function<std::optional<std::string>(const std::string& key)>;

    // The map every port open and probe goes through.
    static ComPortMap& global();

    // Reads section "Ports" of this INI file from now on (read at each
    // resolve, so edits are seen without a restart).
    void setIniPath(const std::filesystem::path& path);
    // Any other source of section "Ports"; an empty function means none.
    void setPortsLookup(PortsLookup lookup);

    // The device path for a port name; empty when "COMn" has no path at all.
    std::string resolve(std::string_view name) const;

    // n for "COMn" written with digits only and without a leading zero.
    static std::optional<int> comNumber(std::string_view name);
    // The default table; none outside COM1–COM96.
    static std::optional<std::string> defaultPath(int number);

private:
    mutable std::mutex m_lock;
    PortsLookup m_lookup;
};

}  // namespace lumivex
