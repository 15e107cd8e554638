#include "platform/ini_text.h"

#include "platform/ini_reader.h"
#include "platform/ini_syntax.h"

namespace lumivex {

namespace {

std::string replaced(std::string_view text, size_t begin, size_t end, std::string_view with)
{
    std::string out;
    out.reserve(text.size() - (end - begin) + with.size());
    out.append(text.substr(0, begin)).append(with).append(text.substr(end));
    return out;
}

}  // namespace

std::optional<std::string> setIniValue(std::string_view text, std::string_view section, std::string_view key,
                                       std::string_view value)
{
    if (!ini::storableSection(section) || !ini::storableKey(key) || !ini::storableValue(value))
        return std::nullopt;
    const ini::Layout layout = ini::scan(text);
    const std::string_view visible = text.substr(layout.begin, layout.end - layout.begin);
    const std::string newline = visible.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";

    const ini::Entry* last = nullptr;   // the section's last entry, header or key
    const ini::Entry* found = nullptr;  // the key's last entry: the one the reader takes
    for (const ini::Entry& entry : layout.entries) {
        if (!entry.reachable || !ini::sameName(entry.section, section))
            continue;
        last = &entry;
        if (entry.kind == ini::Entry::Kind::Key && ini::sameName(entry.key, key))
            found = &entry;
    }

    if (found)  // from the name to the line's end; the indent stays
        return replaced(text, found->begin, found->lineEnd, std::string(found->key) + "=" + std::string(value));
    const std::string entry = std::string(key) + "=" + std::string(value) + newline;
    if (last)
        return replaced(text, last->next, last->next, (last->next == last->lineEnd ? newline : "") + entry);
    if (layout.endsInOpenHeader)
        return std::nullopt;
    const bool openLine = !visible.empty() && !ini::isLineBreak(visible.back());
    return replaced(text, layout.end, layout.end,
                    (openLine ? newline : "") + "[" + std::string(section) + "]" + newline + entry);
}

std::optional<std::string> writeIniValue(std::string_view text, std::string_view section, std::string_view key,
                                         std::string_view value)
{
    std::optional<std::string> edited = setIniValue(text, section, key, value);
    if (!edited || !readsAsEdited(readIniValues(text), *edited, section, key, value))
        return std::nullopt;
    return edited;
}

}  // namespace lumivex
