// The links offered: DDC/CI first, then the COM ports that can be opened.

#include "port_list.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace lumivex;

TEST(PortList, OffersDdcThenEveryOpenableComPortInOrder)
{
    const struct {
        const char* name;
        std::map<std::string, int> answers;  // ports not named answer 1 (absent)
        QStringList expected;
    } cases[] = {
        {"no serial port", {}, {"DDC2Bi"}},
        {"first and last", {{"COM1", 0}, {"COM255", 0}}, {"DDC2Bi", "COM1", "COM255"}},
        {"in use or failing left out", {{"COM3", 0}, {"COM4", 2}, {"COM5", -1}, {"COM12", 0}},
         {"DDC2Bi", "COM3", "COM12"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> asked;
        const QStringList links = availableLinks([&](const char* name) {
            asked.emplace_back(name);
            const auto it = c.answers.find(name);
            return it == c.answers.end() ? 1 : it->second;
        });
        EXPECT_EQ(links, c.expected);
        ASSERT_EQ(asked.size(), 255u);
        EXPECT_EQ(asked.front(), "COM1");
        EXPECT_EQ(asked[99], "COM100");
        EXPECT_EQ(asked.back(), "COM255");
    }
}
