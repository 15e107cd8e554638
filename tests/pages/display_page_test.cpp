// The Display page in the sheet: commands reaching the simulated device
// under both links, the serial read-back and its fall-back, and the sizes
// in ZEPTA.ini with no link.

#include "pages/display_page.h"
#include "page_fixture.h"
#include "page_operations.h"
#include "pty_pair.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QLineEdit>

#include <fstream>

using namespace lumivex;
using lumivex::testing::Bytes;
using lumivex::testing::PageFixture;
using lumivex::testing::ScopedEnv;
using lumivex::testing::DisplayDriver;
using lumivex::testing::kOperateMessages;
using lumivex::testing::kOperateWritesOnK420;
using lumivex::testing::SimProcess;

namespace {

// The VCP writes the simulated library logged, as "0xB0=3".
std::vector<std::string> vcpWrites(const std::string& log)
{
    std::vector<std::string> writes;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        unsigned handle = 0, vcp = 0, value = 0;
        const size_t at = line.find("SetCIValue(");
        if (at != std::string::npos && std::sscanf(line.c_str() + at, "SetCIValue(0x%X, 0x%X, %u)", &handle, &vcp, &value) == 3) {
            char text[32];
            std::snprintf(text, sizeof text, "0x%02X=0x%04X", vcp, value);
            writes.emplace_back(text);
        }
    }
    return writes;
}

}  // namespace

TEST(DisplayPage, CommandsReachTheSimulatedDeviceOverDdcCi)
{
    lumivex::testing::TempDir logs;
    const std::string log = (logs / "ddc.log").string();
    ScopedEnv env{{"ZEPTA_SIM_MODEL", "K420"}, {"ZEPTA_SIM_MONITORS", "1"}, {"ZEPTA_SIM_LOG", log}};
    PageFixture f;
    f.load("DDC2Bi");
    f.messages.texts.clear();
    DisplayDriver{f}.operate();
    EXPECT_EQ(f.messages.texts, kOperateMessages);
    EXPECT_EQ(vcpWrites(log), kOperateWritesOnK420);
}

TEST(DisplayPage, CommandsReachTheSimulatedDeviceOverSerial)
{
    lumivex::testing::TempDir logs;
    const std::string log = (logs / "sim.log").string();
    SimProcess sim({"--model", "K420", "--log", log});
    ASSERT_TRUE(sim.started());
    ScopedEnv env{{"ZEPTA_COM3", sim.slavePath()}};
    PageFixture f;
    f.load("COM3");
    f.messages.texts.clear();
    DisplayDriver{f}.operate();
    EXPECT_EQ(f.messages.texts, kOperateMessages);
    ASSERT_TRUE(lumivex::testing::waitUntil([&] { return lumivex::testing::loggedBytes(log, "rx").size() >= 7; }));
    EXPECT_EQ(lumivex::testing::loggedBytes(log, "rx"),
              (std::vector<Bytes>{{0x04, 0x1A, 0x00, 0xE2},                    // model query
                                  {0x04, 0x03, 0x00, 0xF9},                    // read-back
                                  {0x05, 0x19, 0x03, 0x00, 0xDF},              // resolution 3, layout 0
                                  {0x05, 0x19, 0x03, 0x02, 0xDD},              // layout 2
                                  {0x07, 0x18, 0x02, 0x19, 0x1E, 0x01, 0xA7},  // mask 25, 30 ON
                                  {0x07, 0x18, 0x02, 0x19, 0x1E, 0x00, 0xA8},  // OFF
                                  {0x07, 0x18, 0x02, 0xFF, 0xFF, 0x00, 0xE1}}));  // 300 tenths held to a byte
}

TEST(DisplayPage, SerialReadBack)
{
    const struct {
        const char* name;
        Bytes arriving;
        QStringList messages;
        int resolution, mode, maskButton;
        QString h, v;
        Bytes onFrame;  // what "ON" sends afterwards
    } cases[] = {
        {"reply after stray bytes", {0x91, 0x08, 0x07, 0x08, 0x03, 0x02, 0x01, 0x19, 0x1E, 0x01, 0xBA}, {}, 2, 1,
         OSD_Color::kMaskOnId, "2.5", "3", {0x07, 0x18, 0x01, 0x19, 0x1E, 0x01, 0xA8}},
        // Tenths are counts: 147 is 14.7 %, not a negative byte.
        {"V above 12.7 %", {0x08, 0x03, 0x02, 0x01, 0x19, 0x93, 0x01, 0x45}, {}, 2, 1, OSD_Color::kMaskOnId, "2.5",
         "14.7", {0x07, 0x18, 0x01, 0x19, 0x93, 0x01, 0x33}},
        {"no reply", {}, {"Read RS232 Data Fail"}, 0, 0, OSD_Color::kMaskOffId, "0", "0",
         {0x07, 0x18, 0x00, 0x00, 0x00, 0x01, 0xE0}},
        {"indexes beyond the lists", {0x08, 0x03, 0x0C, 0x09, 0x00, 0x00, 0x00, 0xE0}, {}, -1, -1,
         OSD_Color::kMaskOffId, "0", "0", {0x07, 0x18, 0xFF, 0x00, 0x00, 0x01, 0xE1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        lumivex::test::PtyPair device;
        ScopedEnv env{{"ZEPTA_COM9", device.path()}};
        PageFixture f;
        // The test plays the device and answers nothing while the page waits.
        f.sheet.link().setReplyWait(lumivex::testing::kSilentDeviceWait);
        f.load("COM9");
        ASSERT_EQ(device.receive(4), (Bytes{0x04, 0x1A, 0x00, 0xE2}));
        f.messages.texts.clear();
        device.send(c.arriving);
        ASSERT_TRUE(lumivex::test::processEventsUntil(
            [&] { return f.sheet.link().receiveBuffer().writePosition() == c.arriving.size(); }));

        DisplayDriver display{f};
        f.showTab(1);
        EXPECT_EQ(device.receive(4), (Bytes{0x04, 0x03, 0x00, 0xF9}));
        EXPECT_EQ(f.messages.texts, c.messages);
        EXPECT_EQ(display.page().control<QComboBox>(OSD_Color::kResolutionListId)->currentIndex(), c.resolution);
        EXPECT_EQ(display.page().control<QComboBox>(OSD_Color::kDisplayModeListId)->currentIndex(), c.mode);
        EXPECT_EQ(display.page().radioGroups().front()->checkedButton(), display.page().control(c.maskButton));
        EXPECT_EQ(display.text(OSD_Color::kHPercentId), c.h);
        EXPECT_EQ(display.text(OSD_Color::kVPercentId), c.v);
        display.click(OSD_Color::kMaskOnId);
        EXPECT_EQ(device.receive(7), c.onFrame);
    }
}

TEST(DisplayPage, CalculateTakesTheSizesTypedAndShowsWhatItMade)
{
    const QString kRefused = "Please enter a number between 0 and 10000.";
    const struct {
        const char* name;
        QString bezelW, viewW, bezelH, viewH;
        QStringList messages;
        QString h, v;  // the percentages shown afterwards
    } cases[] = {
        {"10000 mm is a size", "100", "10000", "0", "400", {}, "1", "0"},
        // Refused, it stops the exchange: the page's 0 mm leave nothing to divide.
        {"above 10000 mm is none", "100", "10000.1", "0", "400", {kRefused, "Please check mask parameters"}, "0",
         "0"},
        {"above 10 % is reported and shown", "120", "400", "120", "400",
         {"Out of range,Maximum mask percent is 10%"}, "30", "30"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto ddc = std::make_unique<lumivex::testing::RecordingDdc>();
        ddc->monitors = 1;
        ddc->values = {{0xF8, 0xF801}};  // K420: masks the whole bezel
        PageFixture f(std::move(ddc));
        f.load("DDC2Bi");
        DisplayDriver display{f};
        f.showTab(1);
        f.messages.texts.clear();
        display.sizes(c.bezelW, c.viewW, c.bezelH, c.viewH);
        display.click(OSD_Color::kCalculateId);
        EXPECT_EQ(f.messages.texts, c.messages);
        EXPECT_EQ(display.text(OSD_Color::kHPercentId), c.h);
        EXPECT_EQ(display.text(OSD_Color::kVPercentId), c.v);
    }
}

TEST(DisplayPage, WithNoLinkTheSizesStillComeFromZeptaIni)
{
    PageFixture f;
    std::ofstream(f.dir / "ZEPTA.ini", std::ios::binary)
        << "[Dialog Settings]\r\nBezel Width=    10.0\r\nViewable Width=   12.34\r\n";
    DisplayDriver display{f};
    f.showTab(1);
    EXPECT_EQ(f.messages.texts, QStringList{"Interface port unload"});
    EXPECT_EQ(display.text(OSD_Color::kBezelWidthId), "10");
    EXPECT_EQ(display.text(OSD_Color::kViewableWidthId), "12.34");
    EXPECT_EQ(display.text(OSD_Color::kViewableHeightId), "0");
    EXPECT_EQ(f.profile.readString("Dialog Settings", "Last File Name"), "ZEPTA-K410");

    // A size typed but not calculated gives way to the page's own when the
    // resolution changes; one that is no number is refused and the
    // calculation goes on with what the page holds.
    display.type(OSD_Color::kBezelWidthId, "55");
    display.choose(OSD_Color::kResolutionListId, 4);
    EXPECT_EQ(display.text(OSD_Color::kBezelWidthId), "10");
    display.type(OSD_Color::kViewableWidthId, "wide");
    display.click(OSD_Color::kCalculateId);
    EXPECT_EQ(f.messages.texts, (QStringList{"Interface port unload", "Please enter a number between 0 and 10000."}));
    // The refused size keeps the page's 12.34, stored with one decimal.
    EXPECT_EQ(f.profile.readString("Dialog Settings", "Viewable Width"), "12.3");
    EXPECT_EQ(f.sheet.link().interfaceMode(), InterfaceMode::None);
}
