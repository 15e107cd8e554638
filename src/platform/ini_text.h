#pragma once
// Setting one key in the text of an INI file while leaving every other
// byte alone (other keys' spacing, comments, blank lines, line endings), as
// the profile functions of the system the files come from do.

#include <string>
#include <string_view>

namespace lumivex {

// Returns the text with section/key set to value. Names match in any case;
// an existing key keeps its spelling; a new key goes after the section's
// last entry; a new section goes at the end. New lines use the file's line
// ending ("\r\n" when the file has one, else "\n").
std::string setIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace lumivex
