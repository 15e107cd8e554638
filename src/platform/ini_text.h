#pragma once
// Setting one key in the text of an INI file while leaving every other
// byte alone (other keys' spacing, comments, blank lines, line endings), as
// the profile functions of the system the files come from do. Lines,
// sections and keys are found as the reader finds them (ini_syntax.h).

#include <optional>
#include <string>
#include <string_view>

namespace lumivex {

// Returns the text with section/key set to value. Names match in any case;
// the key the reader reads (the last of its name) is the one changed and
// keeps its spelling; a new key goes after the section's last entry; a new
// section goes at the end of what the reader reads. New lines use the
// file's line ending ("\r\n" when the file has one, else "\n"). nullopt
// when a name or the value cannot be stored (a line break, a NUL, a name
// the reader would cut short) or the text ends inside an open header.
std::optional<std::string> setIniValue(std::string_view text, std::string_view section, std::string_view key,
                                       std::string_view value);

// setIniValue(), kept only when the reader agrees: the result read again
// gives the key its new value and every other key its old one. nullopt
// otherwise, so a file too odd to edit is left as it is.
std::optional<std::string> writeIniValue(std::string_view text, std::string_view section, std::string_view key,
                                         std::string_view value);

}  // namespace lumivex
