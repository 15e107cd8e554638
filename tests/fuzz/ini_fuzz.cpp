// libFuzzer target: the text of ZEPTA.ini through the reader and the writer.
// The input is the text, then optionally "\x01section\x01key\x01value" for
// a fresh write. One key's lookup must find what the whole reading finds
// for its name. The writer's model of the text must find what the reader
// reads; every key read must write back; and every edit the writer makes
// must read back with the new value and every other key unchanged (the
// writer alone is held to this, not only with the check that guards the
// disk).

#include "fuzz_require.h"
#include "platform/ini_reader.h"
#include "platform/ini_syntax.h"
#include "platform/ini_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace lumivex;

using lumivex::fuzz::require;

namespace {

// Bounds the work per input: each write reads the whole text twice.
constexpr size_t kMaxKeysWritten = 16;

std::vector<std::string_view> fields(std::string_view input)
{
    std::vector<std::string_view> out;
    size_t cut = input.find('\x01');
    for (; cut != std::string_view::npos; cut = input.find('\x01')) {
        out.push_back(input.substr(0, cut));
        input.remove_prefix(cut + 1);
    }
    out.push_back(input);
    return out;
}

// What the writer's model reads: the last value of every key a name reaches.
IniValues modelValues(std::string_view text)
{
    IniValues values;
    for (const ini::Entry& entry : ini::scan(text).entries)
        if (entry.kind == ini::Entry::Kind::Key && entry.reachable)
            values[{ini::foldName(entry.section), ini::foldName(entry.key)}] = std::string(entry.value);
    return values;
}

bool reachable(std::string_view section)
{
    return section.find_first_of("\r\n") == std::string_view::npos;
}

// The reader's sections that a name can reach: an unclosed header names
// its section with the lines after it.
IniValues reachableValues(const IniValues& all)
{
    IniValues values;
    for (const auto& [names, value] : all)
        if (reachable(names.first))
            values.emplace(names, value);
    return values;
}

// One key's lookup, which reads the text once without SimpleIni, finds what
// SimpleIni's whole reading holds for that name.
void checkLookup(std::string_view text, const IniValues& before, std::string_view section, std::string_view key)
{
    // A name with a NUL is cut there by the C strings beneath; no file holds one.
    if (section.find('\0') != std::string_view::npos || key.find('\0') != std::string_view::npos)
        return;
    const auto found = before.find({ini::foldName(section), ini::foldName(key)});
    const std::optional<std::string> expected =
        found == before.end() ? std::nullopt : std::optional<std::string>(found->second);
    require(readIniValue(text, section, key) == expected, "one key's lookup and the whole reading differ");
}

void checkEdit(std::string_view text, const IniValues& before, std::string_view section, std::string_view key,
               std::string_view value, bool mustTake)
{
    const std::optional<std::string> edited = setIniValue(text, section, key, value);
    if (!edited) {
        require(!mustTake, "a key the reader reads could not be written back");
        return;
    }
    require(readsAsEdited(before, *edited, section, key, value), "an edit does not read back as asked");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string_view> input = fields({reinterpret_cast<const char*>(data), size});
    const std::string_view text = input[0];
    const std::string_view section = input.size() > 1 ? input[1] : "Dialog Settings";
    const std::string_view key = input.size() > 2 ? input[2] : "Bezel Width";
    const std::string_view value = input.size() > 3 ? input[3] : "    10.0";

    const IniValues before = readIniValues(text);
    require(modelValues(text) == reachableValues(before), "the model and the reader read different values");

    const std::vector<IniEntry> entries = readIniEntries(text);
    for (size_t i = 0; i < entries.size() && i < kMaxKeysWritten; ++i) {
        const IniEntry& e = entries[i];
        checkLookup(text, before, e.section, e.key);
        checkEdit(text, before, e.section, e.key, e.value, reachable(e.section));
        checkEdit(text, before, e.section, e.key, value, reachable(e.section) && ini::storableValue(value));
    }
    checkLookup(text, before, section, key);
    checkEdit(text, before, section, key, value, false);
    const std::optional<std::string> written = writeIniValue(text, section, key, value);
    require(!written || readsAsEdited(before, *written, section, key, value), "a checked write misreads");
    return 0;
}
