#pragma once
// The panel's INI file (ZEPTA.ini): profile-string reads and writes.
// Every call goes to the file, so edits made while the panel runs are seen
// and nothing is lost when the panel ends abruptly.

#include <filesystem>
#include <string>
#include <string_view>

namespace lumivex {

class IniProfile {
public:
    explicit IniProfile(std::filesystem::path path);

    const std::filesystem::path& path() const { return m_path; }

    // Section and key names match whatever their case in the file; a missing
    // file, section or key gives the default.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const;

    // Keeps the file's other sections, keys, comments and the existing
    // spelling of the key. Returns false, leaving the file as it was, when
    // it cannot be written or would not read back as written (a value with
    // a line break, a file too odd to edit; see writeIniValue()).
    bool writeString(std::string_view section, std::string_view key, std::string_view value);

private:
    std::filesystem::path m_path;
};

}  // namespace lumivex
