#include "ini_text.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace lumivex {

namespace {

struct Line {
    std::string_view content;  // without its line ending
    std::string_view ending;   // "\n", "\r\n", or empty (at the end of the text) for the last line
};

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t newline = text.find('\n', start);
        if (newline == std::string_view::npos) {
            lines.push_back({text.substr(start), text.substr(text.size())});
            break;
        }
        const bool crlf = newline > start && text[newline - 1] == '\r';
        const size_t end = crlf ? newline - 1 : newline;
        lines.push_back({text.substr(start, end - start), text.substr(end, newline + 1 - end)});
        start = newline + 1;
    }
    return lines;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// "[name]" → name; anything else → nullopt-like empty with false.
bool sectionName(std::string_view line, std::string_view& name)
{
    const std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[')
        return false;
    const size_t close = t.find(']');
    if (close == std::string_view::npos)
        return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

bool keyName(std::string_view line, std::string_view& name)
{
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '#')
        return false;
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return false;
    name = trim(t.substr(0, eq));
    return true;
}

}  // namespace

std::string setIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value)
{
    const std::vector<Line> lines = splitLines(text);
    const std::string newline = text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";

    bool inSection = false;
    bool sectionFound = false;
    size_t insertAfter = 0;  // index of the section's last entry (or header)
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view name;
        if (sectionName(lines[i].content, name)) {
            inSection = equalsNoCase(name, section);
            if (inSection && !sectionFound) {
                sectionFound = true;
                insertAfter = i;
            }
            continue;
        }
        if (!inSection || !sectionFound)
            continue;
        if (keyName(lines[i].content, name) && equalsNoCase(name, key)) {
            std::string out(text.substr(0, size_t(lines[i].content.data() - text.data())));
            const std::string_view content = lines[i].content;
            const size_t leading = content.find_first_not_of(" \t");
            out += std::string(content.substr(0, leading)) + std::string(name) + "=" + std::string(value);
            out += std::string(text.substr(size_t(lines[i].ending.data() - text.data())));
            return out;
        }
        if (!trim(lines[i].content).empty())
            insertAfter = i;
    }

    std::string entry = std::string(key) + "=" + std::string(value);
    if (!sectionFound) {
        std::string out(text);
        if (!out.empty() && out.back() != '\n')
            out += newline;
        return out + "[" + std::string(section) + "]" + newline + entry + newline;
    }
    const Line& after = lines[insertAfter];
    const size_t cut = size_t(after.content.data() - text.data()) + after.content.size() + after.ending.size();
    std::string out(text.substr(0, cut));
    if (after.ending.empty())
        out += newline;
    out += entry + newline;
    out += std::string(text.substr(cut));
    return out;
}

}  // namespace lumivex
