// The Setting and About pages in the sheet: every Setting command under
// both links with its questions, nothing sent without a link, the model's
// enabling, the hotkey's handler, and the About page's set-up.

#include "pages/about_page.h"
#include "controls/image_button.h"
#include "page_fixture.h"
#include "page_operations.h"
#include "pty_pair.h"
#include "pages/setting_page.h"

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QLabel>

using namespace lumivex;
using lumivex::testing::PageFixture;
using lumivex::testing::RecordingDdc;
using Bytes = std::vector<uint8_t>;
using lumivex::testing::click;
using lumivex::testing::kHandle;
using lumivex::testing::kOff;
using lumivex::testing::kReset;
using lumivex::testing::kRows;
using lumivex::testing::Row;

namespace {

std::unique_ptr<PageFixture> k410OverDdc(RecordingDdc*& ddc)
{
    auto owned = std::make_unique<RecordingDdc>();
    ddc = owned.get();
    ddc->monitors = 1;
    ddc->values = {{0xF8, 0xF800}, {0xB1, 0x0101}};  // K410 showing a wall
    auto f = std::make_unique<PageFixture>(std::move(owned));
    f->load("DDC2Bi");
    return f;
}

}  // namespace

TEST(SettingPage, EveryCommandOverDdcCi)
{
    RecordingDdc* ddc = nullptr;
    auto f = k410OverDdc(ddc);
    f->showTab(2);
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        f->messages.texts.clear();
        f->messages.answers.assign(row.answers.begin(), row.answers.end());
        ddc->writes.clear();
        click(*f, row.control);
        EXPECT_EQ(f->messages.texts, row.messages);
        EXPECT_EQ(ddc->writes, std::vector<RecordingDdc::Call>{row.write});
        if (row.rotation >= 0) {
            EXPECT_EQ(f->sheet.settingPage()->state().rotation, row.rotation);
        }
    }
}

TEST(SettingPage, EveryCommandOverSerial)
{
    lumivex::test::PtyPair device;
    lumivex::testing::ScopedEnv com9{{"ZEPTA_COM9", device.path()}};
    PageFixture f;
    f.sheet.link().setReplyWait(lumivex::testing::kSilentDeviceWait);  // the test's device never answers
    f.load("COM9");
    f.showTab(1);  // "Auto Adjust" asks the Display page's layout: 1x1 after no reply
    f.showTab(2);
    device.receive(12);  // the model query and the two read-back requests
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        f.messages.texts.clear();
        f.messages.answers.assign(row.answers.begin(), row.answers.end());
        click(f, row.control);
        EXPECT_EQ(f.messages.texts, row.messages);
        EXPECT_EQ(device.receive(row.frame.size()), row.frame);
        if (row.rotation >= 0) {
            EXPECT_EQ(f.sheet.settingPage()->state().rotation, row.rotation);
        }
    }
}

TEST(SettingPage, NothingIsSentWithoutYesOrWithoutALink)
{
    RecordingDdc* ddc = nullptr;
    auto f = k410OverDdc(ddc);
    f->showTab(2);
    auto* power = f->sheet.settingPage()->radioGroups()[1];
    click(*f, Image::kPowerOnId);
    ddc->writes.clear();
    f->messages.answers = {false};
    click(*f, Image::kPowerOffId);
    EXPECT_TRUE(ddc->writes.empty()) << "OFF answered No";
    EXPECT_EQ(f->sheet.settingPage()->state().power, 1);
    EXPECT_EQ(power->checkedId(), 0) << "the button keeps the look the click gave it";

    f->unload();
    f->messages.texts.clear();
    for (int id : {Image::kVgaId, Image::kPowerOnId, Image::kLockId, Image::kFirstGpoId, Image::kIdentifyId,
                   Image::kAutoAdjustId})
        click(*f, id);
    EXPECT_TRUE(f->messages.texts.isEmpty());
    click(*f, Image::kFactoryResetId);
    EXPECT_EQ(f->messages.texts, QStringList{kReset}) << "the question only";
    EXPECT_TRUE(ddc->writes.empty());
}

TEST(SettingPage, ModelEnablingGpioDisplayAndTheHotkey)
{
    auto owned = std::make_unique<RecordingDdc>();
    RecordingDdc& ddc = *owned;
    ddc.monitors = 1;
    ddc.values = {{0xF8, 0xF801}, {0x60, 2}, {0xD6, 4}, {0xB3, 0x5A}};  // K420 on DVI, in stand-by
    PageFixture f(std::move(owned));
    f.load("DDC2Bi");
    f.showTab(2);
    Image& page = *f.sheet.settingPage();
    for (int id : {Image::kVgaId, Image::kComponentId, Image::kAutoAdjustId, Image::kFirstGpoId + 3,
                   Image::kFirstGpiId})
        EXPECT_FALSE(page.control(id)->isEnabled()) << id;
    EXPECT_TRUE(page.control(Image::kDviId)->isEnabled());
    EXPECT_EQ(page.radioGroups()[0]->checkedId(), 2);
    EXPECT_EQ(page.radioGroups()[1]->checkedId(), 0);
    // 0x5A: GPI-1 and GPI-3 lit (bits 4, 6), GPO-2 and GPO-4 checked (bits 1, 3).
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(page.control<QAbstractButton>(Image::kFirstGpiId + i)->isChecked(), i % 2 == 0);
        EXPECT_EQ(page.control<QAbstractButton>(Image::kFirstGpoId + i)->isChecked(), i % 2 == 1);
    }

    ddc.writes.clear();
    page.powerOnFromHotkey();
    EXPECT_EQ(ddc.writes, (std::vector<RecordingDdc::Call>{{kHandle, 0xD6, 1}}));
    EXPECT_EQ(page.radioGroups()[1]->checkedId(), 1);
    EXPECT_EQ(page.state().power, 1);
}

TEST(AboutPage, VersionLineAndThePictureLink)
{
    PageFixture f;
    f.showTab(3);
    OSD_About& about = *f.sheet.aboutPage();
    EXPECT_EQ(about.control<QLabel>(OSD_About::kVersionId)->text(), "ZEPTA Lumivex version V1.5");
    auto* picture = about.control<CButtonST>(OSD_About::kPictureId);
    EXPECT_EQ(picture->url(), OSD_About::kMakerUrl);
    EXPECT_EQ(picture->toolTip(), OSD_About::kMakerUrl);
    EXPECT_EQ(picture->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(picture->cursor().hotSpot(), QPoint(11, 1));
}
