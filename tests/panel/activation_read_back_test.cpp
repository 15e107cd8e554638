// The read-back every page runs on activation: which message each mode and
// failure shows, when the page's values are cleared, and entry 0 of the
// receive buffer.

#include "panel/activation_read_back.h"
#include "link/link_state.h"
#include "link/ddc/monitor_table.h"
#include "recording_ddc.h"
#include "recording_messages.h"

#include <gtest/gtest.h>

using namespace lumivex;
using lumivex::testing::RecordingDdc;
using lumivex::testing::RecordingMessages;

TEST(ActivationReadBack, EachModeAndFailureAsTheOperatorSeesIt)
{
    const struct {
        const char* name;
        InterfaceMode mode;
        bool readSucceeds;
        bool failureEnds;
        ReadBackOutcome outcome;
        QStringList messages;
        bool cleared;
        bool entry0Cleared;
    } cases[] = {
        {"no link", InterfaceMode::None, true, false, ReadBackOutcome::NoLink, {"Interface port unload"}, false, true},
        {"no link, page that ends on failure", InterfaceMode::None, true, true, ReadBackOutcome::NoLink,
         {"Interface port unload"}, false, true},
        {"DDC/CI read", InterfaceMode::DdcCi, true, false, ReadBackOutcome::Read, {}, false, true},
        {"DDC/CI guard fails", InterfaceMode::DdcCi, false, false, ReadBackOutcome::DdcReadFailed,
         {"Check DDC port fail"}, true, true},
        {"DDC/CI guard fails, activation ends", InterfaceMode::DdcCi, false, true, ReadBackOutcome::DdcReadFailed,
         {"Check DDC port fail"}, true, false},
        {"serial reply", InterfaceMode::Serial, true, true, ReadBackOutcome::Read, {}, false, true},
        {"serial no reply", InterfaceMode::Serial, false, false, ReadBackOutcome::NoReply,
         {"Read RS232 Data Fail"}, true, true},
        {"serial no reply, activation ends", InterfaceMode::Serial, false, true, ReadBackOutcome::NoReply,
         {"Read RS232 Data Fail"}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDdc ddc;
        MonitorTable monitors;
        LinkState link(ddc, monitors);
        link.setInterfaceMode(c.mode);
        link.receiveBuffer().setEntry(0, 9);
        RecordingMessages messages;
        std::vector<std::string> steps;

        ReadBackSteps page;
        page.readDdc = [&](LinkState&) { return steps.push_back("ddc"), c.readSucceeds; };
        page.readSerial = [&](LinkState&) { return steps.push_back("serial"), c.readSucceeds; };
        page.clearValues = [&] { steps.push_back(messages.texts.isEmpty() ? "clear" : "clear after message"); };
        page.failureEndsActivation = c.failureEnds;

        EXPECT_EQ(runActivationReadBack(link, messages, page), c.outcome);
        EXPECT_EQ(messages.texts, c.messages);
        std::vector<std::string> expected;
        if (c.mode != InterfaceMode::None)
            expected.push_back(c.mode == InterfaceMode::DdcCi ? "ddc" : "serial");
        if (c.cleared)
            expected.push_back("clear");
        EXPECT_EQ(steps, expected);
        EXPECT_EQ(link.receiveBuffer().entry(0), c.entry0Cleared ? 0 : 9);
    }
}
