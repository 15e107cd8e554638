#include "link/serial/com_port_map.h"

#include "platform/ini_profile.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace lumivex {

ComPortMap& ComPortMap::global()
{
    static ComPortMap map;
    return map;
}

void ComPortMap::setIniPath(const std::filesystem::path& path)
{
    setPortsLookup([profile = IniProfile(path)](const std::string& key) -> std::optional<std::string> {
        std::string value = profile.readString("Ports", key);
        if (value.empty())
            return std::nullopt;
        return value;
    });
}

void ComPortMap::setPortsLookup(PortsLookup lookup)
{
    std::lock_guard guard(m_lock);
    m_lookup = std::move(lookup);
}

std::optional<int> ComPortMap::comNumber(std::string_view name)
{
    constexpr std::string_view kPrefix = "COM";
    if (!name.starts_with(kPrefix))
        return std::nullopt;
    const std::string_view digits = name.substr(kPrefix.size());
    // Nine digits at most, so the number always fits.
    const bool allDigits = std::all_of(digits.begin(), digits.end(),
                                       [](char ch) { return ch >= '0' && ch <= '9'; });
    if (digits.empty() || digits.size() > 9 || digits.front() == '0' || !allDigits)
        return std::nullopt;
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return number;
}

std::string ComPortMap::resolve(std::string_view name) const
{
    const std::optional<int> number = comNumber(name);
    if (!number)
        return std::string(name);
    const std::string key(name);
    const std::string variable = "ZEPTA_" + key;
    if (const char* value = std::getenv(variable.c_str()); value && *value)
        return value;
    PortsLookup lookup;
    {
        std::lock_guard guard(m_lock);
        lookup = m_lookup;
    }
    if (lookup) {
        if (std::optional<std::string> value = lookup(key); value && !value->empty())
            return *value;
    }
    return defaultPath(*number).value_or(std::string());
}

}  // namespace lumivex
