// The links offered: DDC/CI first, then the COM ports that can be opened.

#include "fake_ddc.h"
#include "panel/link_loader.h"
#include "link/link_state.h"
#include "link/ddc/monitor_table.h"
#include "panel/port_list.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// A network value is listed on its text alone; nothing is opened for it.
TEST(PortList, ANetworkValueIsJudgedByItsTextAndNeverProbed)
{
    const struct {
        const char* name;
        std::string resolved;
        int expected;
        bool serialAsked;
    } cases[] = {
        {"a device path is the serial probe's", "/dev/ttyUSB0", 2, true},
        {"no path at all is the serial probe's", "", 2, true},
        {"raw TCP listed", "tcp://10.0.0.5:4001", 0, false},
        {"Telnet COM port control listed", "rfc2217://host:4002", 0, false},
        {"no port left out", "tcp://10.0.0.5", 1, false},
        {"an unknown scheme left out", "udp://10.0.0.5:4001", 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        bool asked = false;
        const int answer = probeLink(
            "COM7", [&](const char*) { return c.resolved; },
            [&](const char* name) {
                asked = true;
                EXPECT_STREQ(name, "COM7");
                return 2;  // what the serial probe says of anything: in use
            });
        EXPECT_EQ(answer, c.expected);
        EXPECT_EQ(asked, c.serialAsked);
    }
}

TEST(PortList, DevicePathsNameTheirComPortsAndLeaveOutNetworkValues)
{
    const std::map<std::string, std::string> resolved{
        {"COM1", "/dev/ttyS0"}, {"COM2", "tcp://10.0.0.5:4001"}, {"COM4", "/dev/serial/a"},
        {"COM40", "/dev/serial/a"}, {"COM255", "/dev/ttyLast"}, {"COM256", "/dev/beyond"},
    };
    std::vector<std::string> asked;
    const PortPaths paths = portPaths([&](const char* name) {
        asked.emplace_back(name);
        const auto it = resolved.find(name);
        return it == resolved.end() ? std::string() : it->second;
    });
    const PortPaths expected{
        {"/dev/ttyS0", {"COM1"}}, {"/dev/serial/a", {"COM4", "COM40"}}, {"/dev/ttyLast", {"COM255"}}};
    EXPECT_EQ(paths, expected);
    EXPECT_EQ(asked.size(), 255u);
}

// A [Ports] entry no COM name reaches is told with its reason; every entry
// a name does reach is not.
TEST(PortList, IgnoredPortsEntriesAreThoseNoNameReaches)
{
    const struct {
        const char* key;
        const char* value;
        const char* reason;  // empty: used
    } rows[] = {
        {"COM1", "/dev/ttyUSB0", ""},
        {"com2", "tcp://10.0.0.5:4001", ""},
        {"COM255", "rfc2217://[::1]:4002", ""},
        {"COM3", "", ""},
        {"COM256", "/dev/ttyS0", "COM names go up to COM255"},
        {"COM07", "/dev/ttyS0", "'COM07' is no COM name (COM1 to COM255)"},
        {"COM0", "/dev/ttyS0", "'COM0' is no COM name (COM1 to COM255)"},
        {"Port1", "/dev/ttyS0", "'Port1' is no COM name (COM1 to COM255)"},
        {"COM4", "tcp://127.0.0.1:99999", "tcp://127.0.0.1:99999: port must be 1 to 65535"},
        {"COM5", "bogus://x", "bogus://x: unknown scheme 'bogus' (use tcp:// or rfc2217://)"},
    };
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<std::string> expected;
    for (const auto& row : rows) {
        entries.emplace_back(row.key, row.value);
        if (*row.reason)
            expected.push_back(std::string(row.key) + "=" + row.value + ": " + row.reason);
    }
    std::vector<std::string> ignored;
    for (const lumivex::IgnoredPortsEntry& entry : lumivex::ignoredPortsEntries(entries))
        ignored.push_back(entry.key + "=" + entry.value + ": " + entry.reason);
    EXPECT_EQ(ignored, expected);
}

// A panel that never clears its refused DDC/CI reads keeps the newest few,
// and the reason it logs names the newest.
TEST(LinkFailureReason, TheNewestRefusedReadsAreKeptAndTheLatestIsNamed)
{
    for (const size_t reads : {size_t(1), LinkState::kKeptFailedReads, LinkState::kKeptFailedReads + 1, size_t(70)}) {
        SCOPED_TRACE(reads);
        lumivex::testing::FakeDdc ddc;  // every read refused with status 1
        MonitorTable monitors;
        monitors.count = 1;
        LinkState link(ddc, monitors);
        uint32_t value = 0;
        for (size_t i = 0; i < reads; ++i)
            link.readVcp(uint8_t(0xA0 + i % 16), value);
        const auto& kept = link.failedReads();
        ASSERT_EQ(kept.size(), std::min(reads, LinkState::kKeptFailedReads));
        EXPECT_EQ(kept.back().code, 0xA0 + (reads - 1) % 16);
        EXPECT_EQ(kept.front().code, 0xA0 + (reads - kept.size()) % 16);
        const std::string newest = "VCP 0x" + QString::number(kept.back().code, 16).toUpper().toStdString();
        EXPECT_NE(openFailureReason(link, QStringLiteral("DDC2Bi"), 0).find(newest), std::string::npos);
    }
}
