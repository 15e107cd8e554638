// Which of the reply wait's settings wins.

#include "panel/reply_wait_setting.h"

#include <gtest/gtest.h>

using namespace lumivex;
using std::chrono::milliseconds;

TEST(ReplyWait, TheEnvironmentWinsAndARefusedSettingIsPassedOver)
{
    struct Row {
        const char* name;
        const char* environment;
        const char* ini;
        std::optional<milliseconds> wait;  // empty: the link's own default
        std::vector<std::string> problems;
    };
    const std::string badVariable =
        "ZEPTA_REPLY_WAIT_MS: 'x' is not a whole number of milliseconds from 1 to 60000; it is not used";
    const std::string badIni =
        "ZEPTA.ini [Link] Reply Wait ms: 0 is out of range: give a whole number of milliseconds from 1 to 60000; "
        "it is not used";
    const Row rows[] = {
        {"nothing set", "", "", std::nullopt, {}},
        {"the file alone", "", "400", milliseconds(400), {}},
        {"the environment over the file", "300", "400", milliseconds(300), {}},
        {"a bad variable gives way to the file", "x", "400", milliseconds(400), {badVariable}},
        {"both bad: the default", "x", "0", std::nullopt, {badVariable, badIni}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ChosenReplyWait chosen = chooseReplyWait(row.environment, row.ini);
        EXPECT_EQ(chosen.wait, row.wait);
        EXPECT_EQ(chosen.problems, row.problems);
    }
}
