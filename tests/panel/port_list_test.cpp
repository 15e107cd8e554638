// The links offered: DDC/CI first, then the COM ports that can be opened.

#include "port_list.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace lumivex;

TEST(PortList, OffersDdcThenEveryOpenableComPortInOrderAndCountsThoseClosedToTheUser)
{
    const struct {
        const char* name;
        std::map<std::string, int> answers;  // ports not named answer 1 (absent)
        QStringList expected;
        int denied;           // left out for lack of permission
        std::string advice;   // for the first of them only
    } cases[] = {
        {"no serial port", {}, {"DDC2Bi"}, 0, ""},
        {"first and last", {{"COM1", 0}, {"COM255", 0}}, {"DDC2Bi", "COM1", "COM255"}, 0, ""},
        {"in use or failing left out", {{"COM3", 0}, {"COM4", 2}, {"COM5", -1}, {"COM12", 0}},
         {"DDC2Bi", "COM3", "COM12"}, 0, ""},
        {"no permission left out, counted, advice for the first",
         {{"COM2", 3}, {"COM4", 0}, {"COM255", 3}}, {"DDC2Bi", "COM4"}, 2, "advice for COM2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> asked;
        const PortProbe probe = [&](const char* name) {
            asked.emplace_back(name);
            const auto it = c.answers.find(name);
            return it == c.answers.end() ? 1 : it->second;
        };
        const PortListing listing =
            listPorts(probe, [](const char* name) { return std::string("advice for ") + name; });
        EXPECT_EQ(listing.links, c.expected);
        EXPECT_EQ(listing.deniedCount, c.denied);
        EXPECT_EQ(listing.advice, c.advice);
        EXPECT_EQ(listPorts(probe, nullptr).deniedCount, c.denied) << "counted without advice too";
        asked.clear();
        EXPECT_EQ(availableLinks(probe), c.expected);
        ASSERT_EQ(asked.size(), 255u);
        EXPECT_EQ(asked.front(), "COM1");
        EXPECT_EQ(asked[99], "COM100");
        EXPECT_EQ(asked.back(), "COM255");
    }
}
