// The sheet's link state: no link at first, commands to entry 0 of the
// sheet's own MonitorTable, and the port closed when the sheet goes.

#include "frame_rows.h"
#include "platform/ini_profile.h"
#include "pages/interface_page.h"
#include "recording_ddc.h"
#include "recording_messages.h"
#include "link/serial/serial_mfc.h"
#include "app/sheet_osd.h"
#include "sim_process.h"

#include <gtest/gtest.h>

using namespace lumivex;
using lumivex::testing::frameRows;
using lumivex::testing::RecordingDdc;
using lumivex::testing::RecordingMessages;
using lumivex::testing::SimProcess;

namespace {

class SheetLinkTest : public ::testing::Test {
protected:
    IniProfile m_profile{"/nonexistent/ZEPTA.ini"};
    RecordingMessages m_messages;
    RecordingDdc m_ddc;
};

}  // namespace

TEST_F(SheetLinkTest, WithNoLinkACommandSendsNothingAndShowsNothing)
{
    m_ddc.monitors = 1;
    Sheet_OSD sheet(m_ddc, m_messages, m_profile);
    const QStringList shownAtStart = m_messages.texts;
    EXPECT_EQ(sheet.link().interfaceMode(), InterfaceMode::None);
    for (const auto& row : frameRows())
        sheet.link().send(row.command);
    EXPECT_TRUE(m_ddc.writes.empty());
    EXPECT_EQ(m_messages.texts, shownAtStart);
}

TEST_F(SheetLinkTest, DdcCiCommandsGoToEntry0OfTheSheetsMonitorTable)
{
    const struct {
        int monitors;
        uint32_t handle;
    } cases[] = {{3, RecordingDdc::kFirstHandle}, {0, 0}};  // no monitor: the empty entry 0
    for (const auto& c : cases) {
        SCOPED_TRACE(c.monitors);
        RecordingDdc ddc;
        ddc.monitors = c.monitors;
        Sheet_OSD sheet(ddc, m_messages, m_profile);
        ASSERT_EQ(sheet.monitorCount(), c.monitors);
        sheet.link().setInterfaceMode(InterfaceMode::DdcCi);
        sheet.link().send(commands::power(1));
        EXPECT_EQ(ddc.writes, (std::vector<RecordingDdc::Call>{{c.handle, 0xD6, 1}}));
    }
}

TEST_F(SheetLinkTest, ClosingTheSheetClosesItsSerialPort)
{
    SimProcess sim;
    ASSERT_TRUE(sim.started());
    {
        Sheet_OSD sheet(m_ddc, m_messages, m_profile);
        ASSERT_EQ(sheet.link().port().open(sim.slavePath().c_str(), sheet.interfacePage()), 0);
        sheet.link().setInterfaceMode(InterfaceMode::Serial);
        sheet.link().send(commands::power(1));
    }
    // zepta-sim ends when the panel's side closes after a session.
    EXPECT_EQ(sim.waitForExit(), 0);
}
