// The Display page's read-back under both links, its arithmetic and the
// sizes in ZEPTA.ini.

#include "panel/display_rules.h"
#include "platform/ini_profile.h"
#include "link/link_state.h"
#include "link/ddc/monitor_table.h"
#include "recording_ddc.h"
#include "recording_messages.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <tuple>

using namespace lumivex;
using lumivex::testing::RecordingDdc;
using lumivex::testing::RecordingMessages;

// A failed DDC/CI read keeps what the page held, but for the mask, which is
// then cleared and ends the read-back as failed.
TEST(DisplayRules, ReadBackUnderEitherLink)
{
    const struct {
        const char* name;
        InterfaceMode mode;
        uint32_t mask;  // 0xB2 as read under DDC/CI; the serial port is closed and never answers
        ReadBackOutcome outcome;
        int32_t resolution, displayMode, hTenths, vTenths, maskMode;
        uint32_t failing = 0;  // a VCP code whose read fails
    } cases[] = {
        // H is seven bits: the ON bit above it is no part of it.
        {"DDC/CI 25 and 30 tenths, ON", InterfaceMode::DdcCi, 0x991E, ReadBackOutcome::Read, 3, 2, 25, 30, 1},
        {"DDC/CI field limits, OFF", InterfaceMode::DdcCi, 0x7FFF, ReadBackOutcome::Read, 3, 2, 127, 255, 0},
        {"serial without a reply: first entries, no mask, OFF", InterfaceMode::Serial, 0, ReadBackOutcome::NoReply,
         0, 0, 0, 0, 0},
        {"resolution unread", InterfaceMode::DdcCi, 0x991E, ReadBackOutcome::Read, 5, 2, 25, 30, 1, 0xB0},
        {"layout unread", InterfaceMode::DdcCi, 0x991E, ReadBackOutcome::Read, 3, 4, 25, 30, 1, 0xB1},
        {"mask unread", InterfaceMode::DdcCi, 0x991E, ReadBackOutcome::DdcReadFailed, 3, 2, 0, 0, 0, 0xB2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingDdc ddc;
        MonitorTable monitors;
        LinkState link(ddc, monitors);
        link.setInterfaceMode(c.mode);
        ddc.values = {{0xB0, 3}, {0xB1, 2}, {0xB2, c.mask}};
        if (c.failing)
            ddc.failing = {c.failing};
        RecordingMessages messages;
        DisplayState state;  // what an earlier read-back left
        state.resolution = 5;
        state.displayMode = 4;
        state.hTenths = 99;
        state.vTenths = 98;
        state.maskMode = 1;
        EXPECT_EQ(readBackDisplay(link, messages, state), c.outcome);
        EXPECT_EQ(std::tie(state.resolution, state.displayMode, state.hTenths, state.vTenths, state.maskMode),
                  std::tie(c.resolution, c.displayMode, c.hTenths, c.vTenths, c.maskMode));
    }
}

TEST(DisplayRules, CalculateFromTheSizes)
{
    const struct {
        const char* name;
        int32_t model;
        double bezelW;
        float viewW, bezelH, viewH;
        MaskCheck check;
        float h, v;  // percentages afterwards
        int32_t hTenths, vTenths;
    } cases[] = {
        {"K410 masks half the bezel", 0, 10, 400, 12, 400, MaskCheck::Fine, 1.3f, 1.5f, 13, 15},
        {"K420 masks all of it", 1, 10, 400, 12, 400, MaskCheck::Fine, 2.5f, 3.0f, 25, 30},
        {"exactly 10 % passes", 1, 40, 400, 0, 400, MaskCheck::Fine, 10.0f, 0.0f, 100, 0},
        {"10.1 % is reported and kept", 1, 40.4, 400, 0, 400, MaskCheck::OutOfRange, 10.1f, 0.0f, 101, 0},
        {"V above 10 % is reported too", 1, 0, 400, 40.4, 400, MaskCheck::OutOfRange, 0.0f, 10.1f, 0, 101},
        {"no model: percentages stay, tenths follow", -1, 10, 400, 12, 400, MaskCheck::Fine, 0.7f, 0.2f, 7, 2},
        {"viewable width 0", 1, 10, 0, 12, 400, MaskCheck::CheckParameters, 0.7f, 0.2f, 99, 98},
        {"nothing over nothing", 0, 0, 400, 0, 0, MaskCheck::CheckParameters, 0.7f, 0.2f, 99, 98},
        {"negative bezel", 0, -10, 400, 12, 400, MaskCheck::CheckParameters, 0.7f, 0.2f, 99, 98},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DisplayState state;
        state.hPercent = 0.7f;  // what an earlier read-back left
        state.vPercent = 0.2f;
        state.hTenths = 99;
        state.vTenths = 98;
        state.bezelWidth = c.bezelW;
        state.viewableWidth = c.viewW;
        state.bezelHeight = c.bezelH;
        state.viewableHeight = c.viewH;
        EXPECT_EQ(calculateMask(state, c.model), c.check);
        EXPECT_EQ(state.hPercent, c.h);
        EXPECT_EQ(state.vPercent, c.v);
        EXPECT_EQ(state.hTenths, c.hTenths);
        EXPECT_EQ(state.vTenths, c.vTenths);
    }
    EXPECT_EQ(maskCheckMessage(MaskCheck::OutOfRange), "Out of range,Maximum mask percent is 10%");
    EXPECT_EQ(maskCheckMessage(MaskCheck::CheckParameters), "Please check mask parameters");
}

// The panel writes tenths as the Windows panel did; lumivex-ctl writes every
// digit the value holds, so what it wrote reads back as the same value.
TEST(DisplayRules, SizesAsWrittenAndReadBack)
{
    DisplayState state;
    state.bezelWidth = 600.123456789;
    state.viewableWidth = 12.34f;
    state.bezelHeight = 10000;
    state.viewableHeight = 0.05f;
    const struct {
        const char* name;
        SizeDigits digits;
        const char* text;
        std::array<double, 4> read;  // as sizesOf() gives them back
    } rows[] = {
        {"tenths", SizeDigits::Tenths,
         "[Dialog Settings]\nBezel Width=   600.1\nViewable Width=    12.3\nBezel Height= 10000.0\n"
         "Viewable Height=     0.1\n",
         {600.1, 12.3, 10000, 0.1}},
        {"every digit", SizeDigits::Exact,
         "[Dialog Settings]\nBezel Width=600.123456789\nViewable Width=   12.34\nBezel Height= 10000.0\n"
         "Viewable Height=    0.05\n",
         {600.123456789, 12.34, 10000, 0.05}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        lumivex::testing::TempDir dir;
        IniProfile profile(dir / "ZEPTA.ini");
        saveSizes(profile, state, row.digits);
        std::ifstream in(dir / "ZEPTA.ini", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str(), row.text);
        DisplayState read;
        loadSizes(profile, read);
        EXPECT_EQ(sizesOf(read), row.read);
    }
}

TEST(DisplayRules, OddFilesLoadWithoutHarm)
{
    const struct {
        const char* name;
        const char* text;
        double bezelW;
        float viewW, bezelH, viewH;
    } cases[] = {
        {"Windows line endings, other key case",
         "[dialog settings]\r\nBEZEL WIDTH=   10.5\r\nviewable width=400\r\nBezel Height=12\r\nViewable Height=+300\r\n",
         10.5, 400, 12, 300},
        {"garbage and partial numbers", "[Dialog Settings]\nBezel Width=abc\nViewable Width=12mm\nBezel Height=1e400\n"
                                        "Viewable Height=nan\n",
         0, 12, 0, 0},
        {"no section", "Bezel Width=10\n[Other]\nViewable Width=400\n", 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lumivex::testing::TempDir dir;
        std::ofstream(dir / "ZEPTA.ini", std::ios::binary) << c.text;
        DisplayState state;
        state.viewableWidth = 7;  // replaced by what the file says, 0 when nothing
        loadSizes(IniProfile(dir / "ZEPTA.ini"), state);
        EXPECT_EQ(state.bezelWidth, c.bezelW);
        EXPECT_EQ(state.viewableWidth, c.viewW);
        EXPECT_EQ(state.bezelHeight, c.bezelH);
        EXPECT_EQ(state.viewableHeight, c.viewH);
    }
}
