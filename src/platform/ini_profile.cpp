#include "ini_profile.h"

#include "file_replace.h"
#include "ini_reader.h"
#include "ini_text.h"

#include <cctype>
#include <fstream>
#include <system_error>

namespace lumivex {

namespace {

bool readWhole(const std::filesystem::path& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

IniProfile::IniProfile(std::filesystem::path path)
    : m_path(std::move(path))
{
}

std::string IniProfile::readString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const
{
    std::string text;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(m_path, ec) || !readWhole(m_path, text))
        return std::string(defaultValue);
    std::optional<std::string> value = readIniValue(text, section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

std::vector<std::pair<std::string, std::string>> IniProfile::readSection(std::string_view section) const
{
    std::string text;
    std::error_code ec;
    std::vector<std::pair<std::string, std::string>> entries;
    if (!std::filesystem::is_regular_file(m_path, ec) || !readWhole(m_path, text))
        return entries;
    const auto folded = [](std::string_view name) {
        std::string out(name);
        for (char& c : out)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return out;
    };
    const std::string wanted = folded(section);
    for (IniEntry& entry : readIniEntries(text))
        if (folded(entry.section) == wanted)
            entries.emplace_back(std::move(entry.key), std::move(entry.value));
    return entries;
}

bool IniProfile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    std::string text;
    std::error_code ec;
    if (std::filesystem::exists(m_path, ec) && (!std::filesystem::is_regular_file(m_path, ec) || !readWhole(m_path, text)))
        return false;  // unreadable: never overwrite what we could not read
    const std::optional<std::string> edited = writeIniValue(text, section, key, value);
    if (!edited)
        return false;  // the reader would not read it back as written
    if (m_path.has_parent_path())
        std::filesystem::create_directories(m_path.parent_path(), ec);
    return replaceFileText(m_path, *edited).empty();
}

}  // namespace lumivex
