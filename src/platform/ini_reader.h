#pragma once
// Reading the text of ZEPTA.ini as the panel does: SimpleIni, names in any
// case, values without their surrounding blanks (ini_syntax.h says how it
// splits the text). One value is looked up in a single pass over the text,
// by that model of SimpleIni, so a read stays linear in the file's size;
// the whole-file reads below go through SimpleIni itself, which keeps its
// keys in ordered trees, and check every write.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumivex {

// The value of section/key, or nullopt when the text has none; linear.
std::optional<std::string> readIniValue(std::string_view text, std::string_view section, std::string_view key);

struct IniEntry {
    std::string section;  // spelt as first seen
    std::string key;
    std::string value;
};

// Every key the reader sees, one entry per section and key.
std::vector<IniEntry> readIniEntries(std::string_view text);

// Every value the reader sees, by section and key folded to one case.
using IniValues = std::map<std::pair<std::string, std::string>, std::string>;
IniValues readIniValues(std::string_view text);

// True when `after` reads as `before` with section/key set to value: the
// key reads the new value and every other key keeps its own.
bool readsAsEdited(const IniValues& before, std::string_view after, std::string_view section,
                   std::string_view key, std::string_view value);

}  // namespace lumivex
