// The reply wait's settings: what is taken, what is refused, and which
// setting wins.

#include "link/reply_wait.h"

#include <gtest/gtest.h>

using namespace lumivex;
using std::chrono::milliseconds;

TEST(ReplyWait, ParsesWholeMillisecondsInRange)
{
    struct Row {
        const char* name;
        const char* text;
        std::optional<milliseconds> wait;
    };
    const Row rows[] = {
        {"plain", "250", milliseconds(250)},
        {"blanks around", " \t40 ", milliseconds(40)},
        {"the least", "1", milliseconds(1)},
        {"the most", "60000", milliseconds(60000)},
        {"zero", "0", std::nullopt},
        {"one past the most", "60001", std::nullopt},
        {"negative", "-5", std::nullopt},
        {"a unit", "10ms", std::nullopt},
        {"a fraction", "1.5", std::nullopt},
        {"a word", "slow", std::nullopt},
        {"empty", "", std::nullopt},
        {"too long for any integer", "99999999999999999999", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ReplyWaitValue value = parseReplyWaitMs(row.text);
        EXPECT_EQ(value.wait, row.wait);
        EXPECT_EQ(value.problem.empty(), row.wait.has_value());
    }
    EXPECT_EQ(parseReplyWaitMs("slow").problem, "'slow' is not a whole number of milliseconds from 1 to 60000");
    EXPECT_EQ(parseReplyWaitMs("0").problem, "0 is out of range: give a whole number of milliseconds from 1 to 60000");
}

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
