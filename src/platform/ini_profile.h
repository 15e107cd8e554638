#pragma once
// The panel's INI file (ZEPTA.ini): profile-string reads and writes.
// Every call goes to the file, so edits made while the panel runs are seen
// and nothing is lost when the panel ends abruptly.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumivex {

// ZEPTA.ini and a set-up file are a few hundred bytes; one larger than this
// is no settings file and is refused before it is read.
inline constexpr std::uint64_t kSettingsFileLimit = std::uint64_t(1) << 20;
// The one test against it, so that every reader draws the line in one place.
inline constexpr bool overSettingsLimit(std::uint64_t bytes)
{
    return bytes > kSettingsFileLimit;
}

// The line that refuses it: "NAME: 50331648 bytes, more than the limit of
// 1048576 bytes", or without the size when it is not known (a pipe, a file
// that grew while it was read).
std::string tooLargeLine(std::string_view name, std::optional<std::uint64_t> size);

class IniProfile {
public:
    explicit IniProfile(std::filesystem::path path);

    const std::filesystem::path& path() const { return m_path; }

    // Section and key names match whatever their case in the file; a missing
    // file, section or key gives the default, and so does a file that cannot
    // be read: not a regular file, unreadable, or over kSettingsFileLimit.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const;

    // Keeps the file's other sections, keys, comments and the existing
    // spelling of the key. Returns false, leaving the file as it was, when
    // it cannot be read or written, would not read back as written (a value
    // with a line break, a file too odd to edit; see writeIniValue()) or
    // would grow over kSettingsFileLimit.
    bool writeString(std::string_view section, std::string_view key, std::string_view value);

    // Every key of the section the reader sees, spelt as in the file, in
    // the file's order; none for a missing or unreadable file (as above).
    std::vector<std::pair<std::string, std::string>> readSection(std::string_view section) const;

    // tooLargeLine() for the file when it is over the limit; empty when it
    // is not, is missing, or cannot be read for another reason.
    std::string refusal() const;

private:
    std::filesystem::path m_path;
};

}  // namespace lumivex
