#include "ini_text.h"

#include <gtest/gtest.h>

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
