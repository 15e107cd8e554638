#include "pages/about_page.h"
#include "link/ddc/ddc_library.h"
#include "pages/display_page.h"
#include "fake_ddc.h"
#include "platform/ini_profile.h"
#include "pages/interface_page.h"
#include "recording_messages.h"
#include "panel/reply_wait_setting.h"
#include "pages/setting_page.h"
#include "app/sheet_osd.h"
#include "temp_dir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace lumivex;
using lumivex::testing::FakeDdc;
using lumivex::testing::RecordingMessages;

namespace {

std::string simLibrary()
{
    const char* dir = std::getenv("LUMIVEX_BIN_DIR");
    return std::string(dir ? dir : ".") + "/libDDCHelper-sim.so";
}

class SheetTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        unsetenv("ZEPTA_SIM_MONITORS");
        unsetenv("ZEPTA_SIM_INIT_ERROR");
    }
    IniProfile m_profile{"/nonexistent/ZEPTA.ini"};
    RecordingMessages m_messages;
};

}  // namespace

TEST_F(SheetTest, WithoutADdcLibraryReportsError7ETwiceAndStillOpens)
{
    DdcLibrary missing({"/nonexistent/libDDCHelper.so"});
    Sheet_OSD sheet(missing, m_messages, m_profile);
    EXPECT_EQ(m_messages.texts, QStringList({"Error #7E", "Error #7E"}));
    EXPECT_EQ(sheet.monitorCount(), 0);
    EXPECT_EQ(sheet.monitorTable().first(), 0u);
    sheet.show();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.tabs()->count(), 4);
}

TEST_F(SheetTest, InitFailureCodeIsShownInUpperCaseHex)
{
    setenv("ZEPTA_SIM_INIT_ERROR", "31", 1);
    DdcLibrary sim({simLibrary()});
    ASSERT_TRUE(sim.isLoaded());
    Sheet_OSD sheet(sim, m_messages, m_profile);
    EXPECT_EQ(m_messages.texts, QStringList({"Error #1F", "Error #1F"}));
    EXPECT_EQ(sheet.monitorCount(), 0);

    FakeDdc negative;
    negative.initStatus = -2;
    RecordingMessages more;
    Sheet_OSD other(negative, more, m_profile);
    EXPECT_EQ(more.texts, QStringList({"Error #FFFFFFFE", "Error #FFFFFFFE"}));
}

TEST_F(SheetTest, EnumeratesOnceIntoAtMostTenEntries)
{
    struct Case {
        const char* monitors;
        int count;
    };
    for (const Case& c : {Case{"0", 0}, Case{"1", 1}, Case{"12", 10}}) {
        SCOPED_TRACE(c.monitors);
        setenv("ZEPTA_SIM_MONITORS", c.monitors, 1);
        DdcLibrary sim({simLibrary()});
        Sheet_OSD sheet(sim, m_messages, m_profile);
        EXPECT_TRUE(m_messages.texts.isEmpty());
        EXPECT_EQ(sheet.monitorCount(), c.count);
        EXPECT_EQ(sheet.monitorTable().first() != 0, c.count > 0);
    }

    FakeDdc fake;
    fake.monitors = 3;
    Sheet_OSD sheet(fake, m_messages, m_profile);
    const std::vector<std::string> expected = {"InitDDCHelper", "InitDDCHelper", "EnumGetFirst",
                                               "EnumGetNext",   "EnumGetNext",   "EnumGetNext"};
    EXPECT_EQ(fake.calls, expected);
    sheet.show();
    sheet.tabs()->setCurrentIndex(2);
    EXPECT_EQ(fake.calls.size(), expected.size());  // nothing enumerates again
}

TEST_F(SheetTest, HasFourTabsInOrderAndNoStandardButtons)
{
    FakeDdc fake;
    Sheet_OSD sheet(fake, m_messages, m_profile);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("ZEPTA Lumivex V1.3"));
    QTabWidget* tabs = sheet.tabs();
    ASSERT_EQ(tabs->count(), 4);
    const QStringList captions = {"Interface", "Display", "Setting", "About"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tabs->tabText(i), captions[i]);
    EXPECT_EQ(tabs->widget(0), sheet.interfacePage());
    EXPECT_EQ(tabs->widget(1), sheet.displayPage());
    EXPECT_EQ(tabs->widget(2), sheet.settingPage());
    EXPECT_EQ(tabs->widget(3), sheet.aboutPage());

    EXPECT_TRUE(sheet.findChildren<QDialogButtonBox*>().isEmpty());
    for (QAbstractButton* button : sheet.findChildren<QAbstractButton*>()) {
        for (const char* standard : {"OK", "Cancel", "Apply", "Help", "&OK", "&Cancel", "&Apply", "&Help"})
            EXPECT_NE(button->text(), QString::fromLatin1(standard));
    }
}

TEST_F(SheetTest, KnowsTheModelNamesButNoModelUntilAQuery)
{
    FakeDdc fake;
    Sheet_OSD sheet(fake, m_messages, m_profile);
    EXPECT_EQ(sheet.modelName(0), QStringLiteral("K410"));
    EXPECT_EQ(sheet.modelName(1), QStringLiteral("K420"));
    EXPECT_TRUE(sheet.modelName(2).isEmpty());
    EXPECT_NE(sheet.modelIndex(), 0);
    EXPECT_NE(sheet.modelIndex(), 1);
}

TEST_F(SheetTest, WindowIsTopmostCentredGreyWithMinimiseBoxAndIcon)
{
    FakeDdc fake;
    Sheet_OSD sheet(fake, m_messages, m_profile);
    sheet.adjustSize();
    const int naturalHeight = sheet.height();
    sheet.show();
    const Qt::WindowFlags flags = sheet.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(sheet.palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_FALSE(sheet.windowIcon().isNull());
    // The hidden button row's 30 pixels are given back.
    EXPECT_EQ(sheet.height(), naturalHeight - Sheet_OSD::kHiddenButtonRow);
    const QRect screen = sheet.screen()->availableGeometry();
    EXPECT_LE(std::abs(sheet.geometry().center().x() - screen.center().x()), 2);
    EXPECT_LE(std::abs(sheet.geometry().center().y() - screen.center().y()), 2);
    // The pages still fit.
    EXPECT_GE(sheet.tabs()->currentWidget()->height(), sheet.interfacePage()->sizeHint().height());
}

// The reply wait comes from the environment or ZEPTA.ini; a refused value
// is told in a box and the next setting, or the default, is used.
TEST_F(SheetTest, TakesTheReplyWaitFromTheEnvironmentOrTheFile)
{
    struct Row {
        const char* name;
        const char* environment;  // null: unset
        std::string file;
        std::chrono::milliseconds wait;
        QStringList messages;
    };
    const Row rows[] = {
        {"nothing set", nullptr, "", kDefaultReplyWait, {}},
        {"the environment over the file", "900", "[Link]\nReply Wait ms=250\n", std::chrono::milliseconds(900), {}},
        {"a refused file value", nullptr, "[Link]\nReply Wait ms=fast\n", kDefaultReplyWait,
         {"ZEPTA.ini [Link] Reply Wait ms: 'fast' is not a whole number of milliseconds from 1 to 60000; it is not used"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        lumivex::testing::TempDir dir;
        std::ofstream(dir / "ZEPTA.ini") << row.file;
        if (row.environment)
            setenv(kReplyWaitVariable, row.environment, 1);
        else
            unsetenv(kReplyWaitVariable);
        IniProfile profile(dir / "ZEPTA.ini");
        FakeDdc ddc;
        RecordingMessages messages;
        Sheet_OSD sheet(ddc, messages, profile);
        EXPECT_EQ(sheet.link().replyWait(), row.wait);
        EXPECT_EQ(messages.texts, row.messages);
    }
    unsetenv(kReplyWaitVariable);
}
