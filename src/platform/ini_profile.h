#pragma once
// The panel's INI file (ZEPTA.ini): profile-string reads and writes.
// Every call goes to the file, so edits made while the panel runs are seen
// and nothing is lost when the panel ends abruptly.

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

    // Every key of the section the reader sees, spelt as in the file, in
    // the file's order; none for a missing or unreadable file.
    std::vector<std::pair<std::string, std::string>> readSection(std::string_view section) const;

private:
    std::filesystem::path m_path;
};

}  // namespace lumivex
