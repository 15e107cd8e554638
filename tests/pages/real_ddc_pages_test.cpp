// The pages in the sheet over "DDC2Bi" with the real plugin and the real
// libddcutil, on an emulated K410: Load and the model, both read-backs,
// and every command as the controller receives it.

#include "emulated_monitors.h"
#include "page_operations.h"

#include <gtest/gtest.h>

#include <QCheckBox>

#include <cstdio>

using namespace lumivex;
using lumivex::testing::EmulatedMonitors;
using lumivex::testing::PageFixture;

namespace {

// What the controller holds before the panel sees it: Component, power
// off (read as 4), OSD locked, GPO-2 and GPO-3 on, GPI-1 and GPI-3 wired,
// resolution 4, the third layout, a 1.3 % by 1.5 % mask on.
constexpr const char* kPreset =
    "bus=3 input=1 power=0 osd-lock=1 rotation=0 gpo=6 gpi=5 resolution=4 mode=2 mask-h=13 mask-v=15 mask-on=1\n";

EmulatedMonitors& monitors()
{
    static EmulatedMonitors* m = [] {
        auto* made = new EmulatedMonitors({"bus=3 model=K410"});
        made->presetState(kPreset);
        made->useInThisProcess();
        return made;
    }();
    return *m;
}

std::vector<bool> checked(PageFixture& f, int firstId)
{
    std::vector<bool> states;
    for (int i = 0; i < 4; ++i)
        states.push_back(f.sheet.settingPage()->control<QAbstractButton>(firstId + i)->isChecked());
    return states;
}

std::unique_ptr<PageFixture> loadedOnTheRealStack()
{
    monitors();
    auto f = std::make_unique<PageFixture>(
        std::make_unique<DdcLibrary>(std::vector<std::string>{lumivex::testing::realDdcLibraryPath()}));
    f->load("DDC2Bi");
    return f;
}

// The command tables start from a controller with factory settings, as
// the simulated one does; the operator's own Factory Reset gets it there.
std::unique_ptr<PageFixture> factoryFreshOnTheRealStack()
{
    auto f = loadedOnTheRealStack();
    f->showTab(2);
    f->messages.answers = {true};
    lumivex::testing::click(*f, Image::kFactoryResetId);
    f->unload();
    return loadedOnTheRealStack();
}

// The Sets since the log had `from` lines, as "0xB0=0x0003".
std::vector<std::string> setsSince(size_t from)
{
    std::vector<std::string> writes;
    const std::vector<std::string> lines = monitors().logged(" set ");
    for (size_t i = from; i < lines.size(); ++i) {
        unsigned code = 0, value = 0;
        if (std::sscanf(lines[i].c_str(), "i2c-3 set 0x%X 0x%X: applied", &code, &value) == 2) {
            char text[32];
            std::snprintf(text, sizeof text, "0x%02X=0x%04X", code, value);
            writes.emplace_back(text);
        } else {
            writes.push_back(lines[i]);
        }
    }
    return writes;
}

}  // namespace

TEST(RealDdcPages, LoadNamesTheModelAndBothPagesReadTheControllerBack)
{
    ASSERT_TRUE(lumivex::testing::emulatorPreloaded()) << "start this program through ctest, which preloads the emulator";
    auto f = loadedOnTheRealStack();
    EXPECT_EQ(f->messages.texts, QStringList{"Open DDC2BI successfully"});
    EXPECT_EQ(f->sheet.windowTitle(), "ZEPTA-Lumivex K410 V1.5");
    EXPECT_EQ(f->state(), PageFixture::loaded(InterfaceMode::DdcCi));

    f->showTab(1);
    const DisplayState& display = f->sheet.displayPage()->state();
    EXPECT_EQ(display.resolution, 4);
    EXPECT_EQ(display.displayMode, 2);
    EXPECT_EQ(display.hTenths, 13);
    EXPECT_EQ(display.vTenths, 15);
    EXPECT_EQ(display.maskMode, 1);

    f->showTab(2);
    const SettingState& setting = f->sheet.settingPage()->state();
    EXPECT_EQ(setting.inputSource, 1);
    EXPECT_EQ(setting.power, 0) << "4 reads as OFF";
    EXPECT_EQ(setting.osdLock, 1);
    EXPECT_EQ(checked(*f, Image::kFirstGpoId), (std::vector<bool>{false, true, true, false}));
    EXPECT_EQ(checked(*f, Image::kFirstGpiId), (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(f->messages.texts, QStringList{"Open DDC2BI successfully"}) << "a read-back failed";
}

TEST(RealDdcPages, DisplayCommandsReachTheController)
{
    auto f = factoryFreshOnTheRealStack();
    f->messages.texts.clear();
    const size_t before = monitors().logged(" set ").size();
    lumivex::testing::DisplayDriver{*f}.operate();
    EXPECT_EQ(f->messages.texts, lumivex::testing::kOperateMessages);
    // On a K410 the same sizes make 13 x 256 + 15, and the 30 % mask V 150
    // tenths.
    EXPECT_EQ(setsSince(before),
              (std::vector<std::string>{"0xB0=0x0003", "0xB1=0x0002", "0xB2=0x8D0F", "0xB2=0x0D0F", "0xB2=0x7F96"}));
}

TEST(RealDdcPages, EverySettingCommandReachesTheController)
{
    auto f = factoryFreshOnTheRealStack();
    f->showTab(2);
    for (const lumivex::testing::Row& row : lumivex::testing::kRows) {
        SCOPED_TRACE(row.name);
        f->messages.texts.clear();
        f->messages.answers.assign(row.answers.begin(), row.answers.end());
        const size_t before = monitors().logged(" set ").size();
        lumivex::testing::click(*f, row.control);
        EXPECT_EQ(f->messages.texts, row.messages);
        char expected[32];
        std::snprintf(expected, sizeof expected, "0x%02X=0x%04X", row.write.vcp, row.write.value);
        EXPECT_EQ(setsSince(before), std::vector<std::string>{expected});
    }
}
