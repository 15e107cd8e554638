#pragma once
// How the reader (SimpleIni, as IniProfile sets it up) splits ZEPTA.ini into
// lines, sections and keys, and where each lies in the text, so that the
// writer edits exactly the key the reader will read and nothing else.
//
// - The text ends at its first NUL byte; a UTF-8 byte-order mark is skipped.
// - A line ends at LF, CR LF or a lone CR.
// - Blanks are space and tab only: VT, FF and other control bytes are part
//   of names and values.
// - Between entries, blanks and line breaks are skipped; an entry that
//   starts with ';' or '#' is a comment up to the end of its line.
// - '[' starts a section header. Blanks and line breaks after it are
//   skipped; the name runs to ']' on its line, without trailing blanks, and
//   the rest of that line is ignored. A header whose line ends before any
//   ']' opens a section that no name reaches (the reader names it with the
//   text that follows, line breaks and all).
// - Anything else is a key: the name runs to '=' on its line, without
//   trailing blanks, and the value to the end of the line, without blanks
//   on either side. A line with no '=', or nothing before it, is skipped.
// - Names match in any case (ASCII letters only). A section given twice is
//   one section; a key given twice reads as its last value.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex::ini {

inline bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

inline bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

// Names as the reader compares them: ASCII letters in any case.
std::string foldName(std::string_view name);
bool sameName(std::string_view a, std::string_view b);

// What the reader gives back for a value written as is.
std::string_view valueAsRead(std::string_view value);

// Whether a name or value written into the file reads back as itself.
bool storableSection(std::string_view name);
bool storableKey(std::string_view name);
bool storableValue(std::string_view value);

struct Entry {
    enum class Kind { Header, Key };
    Kind kind;
    std::string_view section;  // a header's own name; a key's section
    bool reachable;            // false after a header that never closed
    std::string_view key;      // Key only: the name, into the text
    std::string_view value;    // Key only: the value as read, into the text
    size_t begin;              // the header's '[', or the key's first byte
    size_t lineEnd;            // where the entry's line break starts
    size_t next;               // where the following line starts
};

struct Layout {
    size_t begin = 0;  // after a byte-order mark
    size_t end = 0;    // the first NUL byte, or the text's size
    std::vector<Entry> entries;
    // The text ends in '[' and blanks: whatever is appended joins that
    // header's name.
    bool endsInOpenHeader = false;
};

Layout scan(std::string_view text);

}  // namespace lumivex::ini
