// A device that answers with garbage: stray bytes, replies cut short,
// wrong lengths, values with the top bit set. The model query and both
// read-backs go through each, several times over.

#include "pages/display_page.h"
#include "page_fixture.h"
#include "pages/setting_page.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <QButtonGroup>

using namespace lumivex;
using lumivex::testing::PageFixture;
using lumivex::testing::ScopedEnv;
using lumivex::testing::SimProcess;

namespace {

// Every list shows one of its entries or none, every radio group one of
// its buttons or none.
void expectInRange(PropertyPage& page)
{
    for (const QComboBox* list : page.findChildren<QComboBox*>()) {
        SCOPED_TRACE(list->objectName().toStdString());
        EXPECT_GE(list->currentIndex(), -1);
        EXPECT_LT(list->currentIndex(), list->count());
    }
    for (const QButtonGroup* group : page.radioGroups()) {
        int checked = 0;
        for (const QAbstractButton* button : group->buttons())
            checked += button->isChecked();
        EXPECT_LE(checked, 1);
        EXPECT_TRUE(group->checkedId() == -1 || group->button(group->checkedId()) != nullptr);
    }
}

}  // namespace

// What each kind of garbage makes of the K420's answer to the model query.
TEST(GarbageDevice, TheSimulatorSpoilsEachReplyAsAsked)
{
    const struct {
        const char* garble;
        lumivex::testing::Bytes reply;
    } cases[] = {
        {"truncate", {0x04, 0x1A}},
        {"length", {0x05, 0x1A, 0x01, 0xE1}},
        {"high", {0x04, 0x1A, 0x81, 0xE1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.garble);
        SimProcess sim({"--model", "K420", "--garble", c.garble});
        ASSERT_TRUE(sim.started());
        lumivex::testing::PortClient panel(sim.slavePath());
        panel.write({0x04, 0x1A, 0x00, 0xE2});
        EXPECT_EQ(panel.read(c.reply.size()), c.reply);
        EXPECT_TRUE(panel.read(1, std::chrono::milliseconds(50)).empty()) << "nothing more";
    }
}

TEST(GarbageDevice, NothingOutOfRangeReachesThePagesAndOnlyKnownMessagesAreShown)
{
    const QString kFail = "Read RS232 Data Fail";
    const struct {
        const char* name;
        std::vector<std::string> simArgs;
        int32_t model;          // the model index the title follows
        QStringList readBack;   // what each read-back says
        std::chrono::milliseconds wait;
    } cases[] = {
        {"stray bytes first", {"--noise", "9"}, 1, {}, lumivex::testing::kGenerousReplyWait},
        {"replies cut in half", {"--garble", "truncate"}, 0, {}, lumivex::testing::kUnfinishedReplyWait},
        // The header itself is wrong: no wait can find it.
        {"lengths one too long", {"--garble", "length"}, 0, {kFail}, lumivex::testing::kSilentDeviceWait},
        {"values with the top bit set", {"--garble", "high"}, 0, {}, lumivex::testing::kUnfinishedReplyWait},
        {"stray bytes and high values", {"--noise", "300", "--garble", "high"}, 0, {},
         lumivex::testing::kUnfinishedReplyWait},
    };
    // A reply that is never whole is taken when the wait ends; on a busy
    // machine it may come later still, which is no answer at all.
    const auto expectSaid = [&](const QStringList& said, const auto& c) {
        if (c.wait == lumivex::testing::kUnfinishedReplyWait && said == QStringList{kFail})
            return;
        EXPECT_EQ(said, c.readBack);
    };
    const QStringList kTitles{"ZEPTA-Lumivex K410 V1.5", "ZEPTA-Lumivex K420 V1.5"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args{"--model", "K420", "--gpi", "15", "--persist"};
        args.insert(args.end(), c.simArgs.begin(), c.simArgs.end());
        SimProcess sim(args);
        ASSERT_TRUE(sim.started());
        ScopedEnv com1{{"ZEPTA_COM1", sim.slavePath()}};
        PageFixture f;
        f.sheet.link().setReplyWait(c.wait);
        f.load("COM1");
        EXPECT_EQ(f.messages.texts, QStringList{"Open COM1 successfully"});
        EXPECT_EQ(f.sheet.modelIndex(), c.model);
        EXPECT_EQ(f.sheet.windowTitle(), kTitles.value(c.model));

        const struct {
            int tab;
            PropertyPage* page;
            int refreshId;
        } pages[] = {{1, f.sheet.displayPage(), OSD_Color::kRefreshId}, {2, f.sheet.settingPage(), Image::kRefreshId}};
        for (const auto& p : pages) {
            SCOPED_TRACE(p.tab);
            f.messages.texts.clear();
            f.showTab(p.tab);
            expectSaid(f.messages.texts, c);
            expectInRange(*p.page);
            for (int round = 0; round < 3; ++round) {
                f.messages.texts.clear();
                p.page->control<QAbstractButton>(p.refreshId)->click();
                expectSaid(f.messages.texts, c);
                expectInRange(*p.page);
            }
        }
        EXPECT_EQ(f.sheet.modelIndex(), c.model) << "the read-backs leave the model alone";
    }
}
