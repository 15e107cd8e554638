// An installed copy: its plugin folder is found from the executable's own
// folder, and its ZEPTA.ini is the user's, never one beside the program.

#include "platform/app_paths.h"
#include "app/corl_osd_app.h"
#include "fake_ddc.h"
#include "page_fixture.h"
#include "recording_messages.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(InstallLayout, TheInstalledBinFolderLeadsToTheInstalledPluginFolder)
{
    EXPECT_EQ(lumivex::installedPluginDirectory(LUMIVEX_FULL_BINDIR), fs::path(LUMIVEX_FULL_PLUGIN_DIR));
}

TEST(InstallLayout, OnlyAPrefixWithThePluginFolderIsAnInstalledCopy)
{
    lumivex::testing::TempDir prefix;
    const fs::path bin = prefix / "bin";
    fs::create_directories(bin);
    EXPECT_FALSE(lumivex::isInstalledCopy(bin)) << "a build tree keeps its plugins beside the program";
    fs::create_directories(lumivex::installedPluginDirectory(bin));
    EXPECT_TRUE(lumivex::isInstalledCopy(bin));
}

TEST(InstallLayout, AnInstalledCopyKeepsItsIniFilePerUserEvenWhereItCouldWrite)
{
    auto writable = [](const fs::path&) { return true; };
    lumivex::IniLocationInputs in{"/usr/bin", std::nullopt, "/root", writable};
    EXPECT_EQ(lumivex::chooseIniPath(in), "/usr/bin/ZEPTA.ini");
    in.installed = true;
    EXPECT_EQ(lumivex::chooseIniPath(in), "/root/.config/zepta/ZEPTA.ini");
}

TEST(InstallLayout, AnInstalledProgramStartsWithTheUsersIniFile)
{
    lumivex::testing::TempDir prefix, home;
    const fs::path bin = prefix / "bin";
    fs::create_directories(bin);  // writable: only being installed keeps the file away
    fs::create_directories(lumivex::installedPluginDirectory(bin));
    lumivex::testing::ScopedEnv env{{"XDG_RUNTIME_DIR", home.path().string()},
                                    {"XDG_CONFIG_HOME", (home / "cfg").string()}};
    lumivex::testing::FakeDdc ddc;
    lumivex::testing::RecordingMessages messages;
    lumivex::CORL_OSDApp app(messages, ddc);
    app.setExecutableDirectory(bin);
    app.setRunSheet([](lumivex::Sheet_OSD&) {});
    ASSERT_EQ(app.InitInstance(), 0);
    EXPECT_EQ(app.profile()->path(), home / "cfg" / "zepta" / "ZEPTA.ini");
}
