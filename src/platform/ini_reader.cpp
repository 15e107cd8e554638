#include "platform/ini_reader.h"

#include "platform/ini_syntax.h"

#include <SimpleIni.h>

#include <memory>

namespace lumivex {

namespace {

// Names in any case, values without their surrounding blanks, as the
// profile functions of the files' first home read them.
std::unique_ptr<CSimpleIniA> load(std::string_view text)
{
    auto ini = std::make_unique<CSimpleIniA>();
    ini->SetUnicode(false);
    ini->SetMultiKey(false);
    ini->SetMultiLine(false);
    if (ini->LoadData(text.data(), text.size()) < 0)
        return nullptr;
    return ini;
}

}  // namespace

std::optional<std::string> readIniValue(std::string_view text, std::string_view section, std::string_view key)
{
    // Names no file can hold (a line break, a NUL) are left to SimpleIni
    // itself; any other is found in one pass, as the reader would find it.
    if (!ini::storableValue(section) || !ini::storableValue(key)) {
        const auto ini = load(text);
        if (!ini)
            return std::nullopt;
        const std::string sectionName(section);
        const std::string keyName(key);
        const char* value = ini->GetValue(sectionName.c_str(), keyName.c_str(), nullptr);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    std::optional<std::string_view> found;
    for (const ini::Entry& entry : ini::scan(text).entries)
        if (entry.kind == ini::Entry::Kind::Key && entry.reachable && ini::sameName(entry.key, key)
            && ini::sameName(entry.section, section))
            found = entry.value;  // the last of its name is the one read
    return found ? std::optional<std::string>(*found) : std::nullopt;
}

std::vector<IniEntry> readIniEntries(std::string_view text)
{
    std::vector<IniEntry> entries;
    const auto ini = load(text);
    if (!ini)
        return entries;
    CSimpleIniA::TNamesDepend sections;
    ini->GetAllSections(sections);
    for (const auto& section : sections) {
        CSimpleIniA::TNamesDepend keys;
        ini->GetAllKeys(section.pItem, keys);
        for (const auto& key : keys)
            entries.push_back({section.pItem, key.pItem, ini->GetValue(section.pItem, key.pItem, "")});
    }
    return entries;
}

IniValues readIniValues(std::string_view text)
{
    IniValues values;
    for (IniEntry& entry : readIniEntries(text))
        values[{ini::foldName(entry.section), ini::foldName(entry.key)}] = std::move(entry.value);
    return values;
}

bool readsAsEdited(const IniValues& before, std::string_view after, std::string_view section,
                   std::string_view key, std::string_view value)
{
    IniValues expected = before;
    expected[{ini::foldName(section), ini::foldName(key)}] = std::string(ini::valueAsRead(value));
    return readIniValues(after) == expected;
}

}  // namespace lumivex
