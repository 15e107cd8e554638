// What apply plans and how it checks, with no link and no process: one row
// a rule that a device or a saved file can meet.

#include "control/outcome.h"
#include "control/setup_file.h"
#include "control/setup_plan.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace lumivex;
using namespace lumivex::control;
using lumivex::testing::TempDir;

namespace {

constexpr int32_t kK410 = 0;
constexpr int32_t kK420 = 1;

Snapshot device(int32_t model, void (*adjust)(Snapshot&) = nullptr)
{
    Snapshot s;
    s.model = model;
    s.setting = SettingState{2, 1, 0, 0, 0};
    s.rotationKnown = true;
    if (model == kK410)
        s.gpio = GpioBits{0x5, 0x3};
    s.display.resolution = 8;
    s.display.displayMode = 1;
    s.display.maskMode = 1;
    s.display.hTenths = 25;
    s.display.vTenths = 13;
    s.display.bezelWidth = 10;
    s.display.viewableWidth = 400;
    if (adjust)
        adjust(s);
    return s;
}

SetupFile fileOf(const TempDir& dir, const std::string& text)
{
    std::ofstream(dir / "setup.ini") << text;
    return readSetupFile(QString::fromStdString((dir / "setup.ini").string()));
}

// "field=VCP:value" for each step, the sizes as "sizes".
std::string stepsText(const Plan& p)
{
    std::string out;
    for (const Step& step : p.steps) {
        out += out.empty() ? "" : " ";
        out += step.field;
        if (step.command) {
            out += '=';
            out += QString::number(step.command->vcpCode, 16).toUpper().toStdString();
            out += ':';
            out += std::to_string(step.command->vcpValue);
        }
    }
    return out;
}

struct PlanRow {
    const char* name;
    Snapshot before;
    const char* file;
    bool ddc;
    const char* steps;    // stepsText
    const char* refusal;  // part of it; "" when none
};

const PlanRow kPlanRows[] = {
    {"a K420 reading input 0 keeps it", device(kK420, [](Snapshot& s) { s.setting.inputSource = 0; }),
     "[Device]\ninput=vga\n", false, "", ""},
    {"a K420 on DVI is not switched to VGA", device(kK420), "[Device]\ninput=vga\n", false, "",
     ":2: the K420 has only the DVI input"},
    {"a K420 reading input 0 goes to DVI", device(kK420, [](Snapshot& s) { s.setting.inputSource = 0; }),
     "[Device]\ninput=dvi\n", false, "input=60:2", ""},
    {"a mask above 10 % that the device holds", device(kK410, [](Snapshot& s) { s.display.hTenths = 147; }),
     "[Mask]\nmask=on\nh=14.7\nv=1.3\n", false, "", ""},
    {"a raw input the device reported", device(kK410, [](Snapshot& s) { s.setting.inputSource = 5; }),
     "[Device]\ninput=5\n", false, "", ""},
    {"only V differs", device(kK410), "[Mask]\nv=2.6\n", true, "mask=B2:39194", ""},
    {"mask off keeps the tenths", device(kK410), "[Mask]\nmask=off\n", true, "mask=B2:6413", ""},
    {"switched on first", device(kK410, [](Snapshot& s) { s.setting.power = 0; }),
     "[Device]\npower=on\ninput=vga\n", false, "power=D6:1 input=60:0", ""},
    {"switched off last, after the sizes", device(kK410),
     "[Device]\npower=off\nosd=lock\n[Sizes]\nbezel width=12\n", false, "osd=FC:1 sizes power=D6:0", ""},
    {"serial: one frame for resolution and layout", device(kK410), "[Device]\nresolution=0\nlayout=2x2\n", false,
     "resolution=B0:0", ""},
    {"DDC/CI: the layout is a write of its own", device(kK410), "[Device]\nresolution=0\nlayout=2x2\n", true,
     "resolution=B0:0 layout=B1:2", ""},
    {"a resolution without its rate", device(kK410), "[Device]\nresolution=1024x768\n", false, "resolution=B0:0", ""},
    {"serial: a rotation already there", device(kK410), "[Device]\nrotation=normal\n", false, "", ""},
    {"DDC/CI: the rotation is always sent", device(kK410), "[Device]\nrotation=normal\n", true, "rotation=FC:2", ""},
    {"a size the same to one decimal is kept whole", device(kK410), "[Sizes]\nbezel width=10.04\n", false, "sizes", ""},
    // The viewable width is held as a float, the bezel width as a double.
    {"digits beyond what a float holds", device(kK410), "[Sizes]\nviewable width=400.00000001\n", false, "", ""},
    {"digits a double holds", device(kK410), "[Sizes]\nbezel width=10.00000001\n", false, "sizes", ""},
    {"GPO bits that differ", device(kK410), "[Device]\ngpo=0110\n", false, "gpo=B3:6", ""},
    {"no GPIO on a K420", device(kK420), "[Device]\ngpo=0011\n", false, "", ":2: the K420 has no GPIO"},
    {"saved from the other model", device(kK420), "[Device]\nmodel=K410\n", false, "",
     ":2: saved from a K410; the device is a K420"},
    {"a layout the model does not have", device(kK420), "[Device]\nlayout=Mode1\n", false, "",
     ":2: bad value 'Mode1' for layout: 1x1, 2x2, 2x3, 3x2, 3x3"},
    {"saved from a K420, applied to a K410", device(kK410), "[Device]\nmodel=K420\n", false, "",
     ":2: saved from a K420; the device is a K410"},
    {"a K420 on DVI is not switched to component", device(kK420), "[Device]\ninput=component\n", false, "",
     ":2: the K420 has only the DVI input"},
    {"a resolution cut short of its rate", device(kK410), "[Device]\nresolution=1024x76\n", false, "",
     ":2: bad value '1024x76' for resolution"},
    {"the highest raw value", device(kK410, [](Snapshot& s) { s.setting.inputSource = 255; }), "[Device]\ninput=255\n",
     false, "", ""},
    {"a percentage rounds to the nearest tenth", device(kK410), "[Mask]\nv=1.26\n", false, "", ""},
};

class ApplyPlan : public ::testing::TestWithParam<PlanRow> {};

}  // namespace

TEST_P(ApplyPlan, SendsOnlyWhatDiffersInItsOrder)
{
    const PlanRow& row = GetParam();
    TempDir dir;
    const Plan p = plan(fileOf(dir, row.file), row.before, row.ddc);
    EXPECT_EQ(stepsText(p), row.steps);
    EXPECT_EQ(p.refusal.value_or(QString()).contains(QLatin1String(row.refusal)), true)
        << p.refusal.value_or(QString()).toStdString();
    EXPECT_EQ(p.refusal.has_value(), *row.refusal != 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, ApplyPlan, ::testing::ValuesIn(kPlanRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

// What save writes of any state a device can report, apply sends nothing for.
TEST(SaveThenApply, SendsNothingToTheSameDevice)
{
    const struct {
        const char* name;
        Snapshot s;
    } rows[] = {
        {"K410 as read", device(kK410)},
        {"K420 after a reset", device(kK420, [](Snapshot& s) { s.setting = SettingState{}; })},
        {"a mask the panel left above 10 %", device(kK410, [](Snapshot& s) { s.display.vTenths = 255; })},
        {"raw values with no name", device(kK410, [](Snapshot& s) {
             s.setting.inputSource = 7;
             s.setting.osdLock = 9;
             s.display.resolution = 40;
             s.display.displayMode = 12;
         })},
        {"no model known", device(-1)},
        {"over DDC/CI, no rotation", device(kK420, [](Snapshot& s) { s.rotationKnown = false; })},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const Plan p = plan(fileOf(dir, setupFileText(row.s, QStringLiteral("COM1")).toStdString()), row.s,
                            !row.s.rotationKnown);
        EXPECT_FALSE(p.refusal) << p.refusal.value_or(QString()).toStdString();
        EXPECT_EQ(stepsText(p), "");
        EXPECT_TRUE(verify(p.wanted, row.s).empty());
    }
}

// What a file may say of the mask and of raw values: everything save can
// write, and not a tenth more.
TEST(SetupFileValues, TakesWhatSaveWritesAndRefusesTheRestWithItsLine)
{
    const struct {
        const char* name;
        const char* text;
        const char* refusal;  // "" when taken
    } rows[] = {
        {"the largest mask a device holds", "[Mask]\nh=25.5\n", ""},
        {"a tenth above it", "[Mask]\nh=25.6\n", ":2: bad value '25.6' for h: a percentage from 0.0 to 25.5"},
        {"a raw value past a byte", "[Device]\ninput=256\n", ":2: bad value '256' for input: vga or component or dvi"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        QString refused;
        try {
            fileOf(dir, row.text);
        } catch (const Failure& failure) {
            refused = failure.line;
        }
        EXPECT_EQ(refused.isEmpty(), *row.refusal == 0) << refused.toStdString();
        if (*row.refusal) {
            EXPECT_TRUE(refused.endsWith(QLatin1String(row.refusal))) << refused.toStdString();
        }
    }
}

TEST(ApplyVerify, NamesEachFieldThatDidNotTake)
{
    const struct {
        const char* name;
        Wanted wanted;
        Snapshot after;
        QStringList missed;
    } rows[] = {
        {"input", Wanted{.input = Input::Vga}, device(kK410), {"input: wanted vga, read back dvi"}},
        {"a raw value", Wanted{.osd = Osd(7)}, device(kK410), {"osd: wanted 7, read back unlock"}},
        {"rotation read back", Wanted{.rotation = Rotation::Rotated}, device(kK410),
         {"rotation: wanted rotated, read back normal"}},
        {"rotation that cannot be read", Wanted{.rotation = Rotation::Rotated},
         device(kK410, [](Snapshot& s) { s.rotationKnown = false; }), {}},
        {"no GPO report", Wanted{.gpo = 3}, device(kK420), {"gpo: wanted 0011, read back no GPO report"}},
        {"the layout by the model's label", Wanted{.layout = 2}, device(kK420), {"layout: wanted 2x3, read back 2x2"}},
        {"V in percent", Wanted{.vTenths = 14}, device(kK410), {"v: wanted 1.4, read back 1.3"}},
        {"a size", Wanted{.sizes = {std::nullopt, 401.0}}, device(kK410),
         {"viewable width: wanted 401.0, read back 400.0"}},
        {"a size as a float holds it", Wanted{.sizes = {std::nullopt, 400.00000001}}, device(kK410), {}},
        {"a size as a double holds it", Wanted{.sizes = {10.00000001}}, device(kK410),
         {"bezel width: wanted 10.00000001, read back 10.0"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(mismatchLines(verify(row.wanted, row.after)), row.missed);
    }
}
