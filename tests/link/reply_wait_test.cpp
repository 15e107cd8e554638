// The reply wait's value: what is taken and what is refused.

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
