#pragma once
// The shape lumivexd's own files share (its settings and the inventory):
// "[Section]" headers and "Key = value" lines, blank lines and lines that
// start with ';' or '#' ignored. Unlike ZEPTA.ini, a malformed line is
// refused at its place rather than skipped: these files say what the
// service does, and a line silently not taken would be a setting lost.

#include <QString>

#include <functional>

namespace lumivex::control {

// A line of a file, for refusals that name it.
struct SettingsPlace {
    QString path;
    int line = 0;

    // Fails with a usage line "PATH:LINE: why".
    [[noreturn]] void refuse(const QString& why) const;
};

// Reads text section by section. section is told each header's name
// (trimmed) and says whether that section's lines are the caller's;
// entry is given each of their lines as key and value, both trimmed. Lines
// before the first header belong to no section and are not read. A header
// without its ']', or a line of a wanted section without a key and '=', is
// refused.
void readSettingsSections(const QString& path, const QString& text,
                          const std::function<bool(const QString& name, const SettingsPlace& at)>& section,
                          const std::function<void(const QString& key, const QString& value, const SettingsPlace& at)>& entry);

// Whether a key is name, in any case.
bool isKey(const QString& key, const char* name);

}  // namespace lumivex::control
