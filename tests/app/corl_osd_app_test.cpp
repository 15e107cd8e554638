#include "link/serial/com_port_map.h"
#include "app/corl_osd_app.h"
#include "fake_ddc.h"
#include "recording_messages.h"
#include "app/sheet_osd.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace lumivex;
using lumivex::testing::FakeDdc;
using lumivex::testing::RecordingMessages;
using lumivex::testing::TempDir;

class AppStartTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1); }
    void TearDown() override { unsetenv("XDG_RUNTIME_DIR"); }
    TempDir m_runtime;
    TempDir m_programDir;
    FakeDdc m_ddc;
    RecordingMessages m_messages;
};

TEST_F(AppStartTest, InstallsTheDriverThenRunsTheSheetWithTheIniBesideTheProgram)
{
    CORL_OSDApp app(m_messages, m_ddc);
    app.setExecutableDirectory(m_programDir.path());
    int runs = 0;
    app.setRunSheet([&](Sheet_OSD& sheet) {
        ++runs;
        EXPECT_EQ(&sheet.profile(), app.profile());
        EXPECT_EQ(sheet.windowTitle(), QStringLiteral("ZEPTA Lumivex V1.3"));
    });
    EXPECT_EQ(app.InitInstance(), 0);
    EXPECT_EQ(runs, 1);
    ASSERT_FALSE(m_ddc.calls.empty());
    EXPECT_EQ(m_ddc.calls.front(), "InstallDriver(0,1)");
    EXPECT_EQ(std::count(m_ddc.calls.begin(), m_ddc.calls.end(), "InstallDriver(0,1)"), 1);
    ASSERT_NE(app.profile(), nullptr);
    EXPECT_EQ(app.profile()->path(), m_programDir.path() / "ZEPTA.ini");
    EXPECT_TRUE(m_messages.texts.isEmpty());
}

TEST_F(AppStartTest, ASecondCopyShowsTheMessageAndDoesNothingElse)
{
    InstanceLock running;  // the first copy
    ASSERT_TRUE(running.tryAcquire());

    CORL_OSDApp second(m_messages, m_ddc);
    bool sheetRan = false;
    second.setRunSheet([&](Sheet_OSD&) { sheetRan = true; });
    EXPECT_EQ(second.InitInstance(), CORL_OSDApp::kExitAlreadyRunning);
    EXPECT_EQ(m_messages.texts, QStringList({"Lumivex is running,ERROR OPEN"}));
    EXPECT_FALSE(sheetRan);
    EXPECT_TRUE(m_ddc.calls.empty());  // not even the driver
    EXPECT_TRUE(running.isHeld());
}

TEST_F(AppStartTest, TheLockIsKeptForTheWholeRunAndAMissingIniReadsAsDefaults)
{
    CORL_OSDApp app(m_messages, m_ddc);
    app.setExecutableDirectory(m_programDir.path());
    bool lockedWhileRunning = false;
    std::string storedWidth;
    app.setRunSheet([&](Sheet_OSD& sheet) {
        InstanceLock other;
        lockedWhileRunning = !other.tryAcquire();
        storedWidth = sheet.profile().readString("Dialog Settings", "Bezel Width", "0");
    });
    app.InitInstance();
    EXPECT_TRUE(lockedWhileRunning);
    EXPECT_EQ(storedWidth, "0");
    EXPECT_FALSE(std::filesystem::exists(m_programDir / "ZEPTA.ini"));
}

TEST_F(AppStartTest, ComNamesAreMappedThroughThePortsSectionOfTheSameIniFile)
{
    std::ofstream(m_programDir / "ZEPTA.ini") << "[Ports]\nCOM3=/dev/ttyUSB7\n";
    CORL_OSDApp app(m_messages, m_ddc);
    app.setExecutableDirectory(m_programDir.path());
    app.setRunSheet([](Sheet_OSD&) {});
    app.InitInstance();
    EXPECT_EQ(ComPortMap::global().resolve("COM3"), "/dev/ttyUSB7");
    EXPECT_EQ(ComPortMap::global().resolve("COM4"), "/dev/ttyS3");
}
