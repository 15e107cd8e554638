#include "platform/ini_reader.h"
#include "platform/ini_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

using namespace std::string_view_literals;

TEST(IniText, SetsOneKeyAndLeavesEveryOtherByteAlone)
{
    struct Case {
        const char* name;
        const char* before;
        const char* section;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {"empty file", "", "Dialog Settings", "Bezel Width", "    10.0",
         "[Dialog Settings]\nBezel Width=    10.0\n"},
        {"replace keeps spelling and others' blanks",
         "[dialog settings]\nBEZEL WIDTH=1.0\nViewable Width=  400.0\n", "Dialog Settings", "Bezel Width", "    10.0",
         "[dialog settings]\nBEZEL WIDTH=    10.0\nViewable Width=  400.0\n"},
        {"new key after the section's last entry, before blank lines",
         "[Dialog Settings]\nA=1\n\n[Ports]\nCOM3=/dev/x\n", "Dialog Settings", "B", "2",
         "[Dialog Settings]\nA=1\nB=2\n\n[Ports]\nCOM3=/dev/x\n"},
        {"windows line endings kept", "; note\r\n[Dialog Settings]\r\nA=1\r\n", "Dialog Settings", "B", "2",
         "; note\r\n[Dialog Settings]\r\nA=1\r\nB=2\r\n"},
        {"no final newline", "[Other]\nX=1", "Dialog Settings", "A", "1", "[Other]\nX=1\n[Dialog Settings]\nA=1\n"},
        {"last line is the key", "[S]\nA=1", "S", "A", "2", "[S]\nA=2"},
        {"comment looking like the key is skipped", "[S]\n;A=old\nA=1\n", "S", "A", "2", "[S]\n;A=old\nA=2\n"},
        {"same key in another section untouched", "[T]\nA=1\n[S]\n", "S", "A", "2", "[T]\nA=1\n[S]\nA=2\n"},
        {"indented key keeps its indent", "[S]\n  A = 1\n", "S", "a", "2", "[S]\n  A=2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lumivex::setIniValue(c.before, c.section, c.key, c.value), c.after);
    }
}

// Texts on which the writer once split the file otherwise than the reader:
// each row is edited as the reader sees it, or refused. An accepted edit
// must read back with the new value and every other key unchanged.
TEST(IniText, EditsTheKeyTheReaderReads)
{
    const struct {
        const char* name;
        std::string_view before, section, key, value;
        std::optional<std::string_view> after;  // nullopt: refused
    } rows[] = {
        {"a lone CR ends a line", "[s]\na=1\rb=2"sv, "s", "a", "3", "[s]\na=3\rb=2"sv},
        {"a key given twice reads as the last, so the last is written", "[s]\na=1\na=2\n", "s", "a", "3",
         "[s]\na=1\na=3\n"},
        {"a section given twice is one section", "[s]\na=1\n[t]\nb=1\n[S]\nA=2\n", "s", "a", "3",
         "[s]\na=1\n[t]\nb=1\n[S]\nA=3\n"},
        {"VT and FF belong to a key's name", "[s]\n\fa\v=1\n", "s", "a", "2", "[s]\n\fa\v=1\na=2\n"},
        {"a header with no ] opens no section of that name", "[s]\n[t\na=1\n", "s", "a", "2",
         "[s]\na=2\n[t\na=1\n"},
        {"the reader stops at a NUL", "[s]\na=1\n\0[t]\nb=1\n"sv, "t", "b", "2",
         "[s]\na=1\n[t]\nb=2\n\0[t]\nb=1\n"sv},
        {"an open [ at the end would take a new section's name", "[s]\na=1\n[", "t", "b", "2", std::nullopt},
        {"a value with a line break", "[s]\na=1\n", "s", "a", "2\n[s]\nb=3", std::nullopt},
        {"a value with a NUL", "[s]\na=1\nb=1\n", "s", "a", "2\0x"sv, std::nullopt},
        {"a key name with =", "[s]\na=1\n", "s", "a=b", "1", std::nullopt},
        {"a section name with ]", "", "s]x", "a", "1", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<std::string> after = lumivex::setIniValue(row.before, row.section, row.key, row.value);
        EXPECT_EQ(after, row.after);
        if (after) {
            EXPECT_TRUE(lumivex::readsAsEdited(lumivex::readIniValues(row.before), *after, row.section, row.key,
                                               row.value));
        } else {
            EXPECT_EQ(lumivex::writeIniValue(row.before, row.section, row.key, row.value), std::nullopt);
        }
    }
}

// The check made before anything is written: [s] a=1 b=2 with a set to 3.
TEST(IniText, AnEditIsKeptOnlyWhenItReadsBackAsAsked)
{
    const struct {
        const char* name;
        std::string_view section, key, value, after;
        bool kept;
    } rows[] = {
        {"as asked", "s", "a", "3", "[s]\na=3\nb=2\n", true},
        {"blanks around the value are not read", "s", "a", "  3 ", "[s]\na=  3 \nb=2\n", true},
        {"names in any case", "S", "A", "3", "[s]\na=3\nb=2\n", true},
        {"a neighbour lost", "s", "a", "3", "[s]\na=3\n", false},
        {"a neighbour changed", "s", "a", "3", "[s]\na=3\nb=3\n", false},
        {"a key added", "s", "a", "3", "[s]\na=3\nb=2\nc=4\n", false},
        {"the old value still read", "s", "a", "3", "[s]\na=3\na=1\nb=2\n", false},
    };
    const lumivex::IniValues before = lumivex::readIniValues("[s]\na=1\nb=2\n");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(lumivex::readsAsEdited(before, row.after, row.section, row.key, row.value), row.kept);
    }
}
