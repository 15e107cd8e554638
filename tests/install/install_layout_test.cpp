// An installed copy: its plugin folder is found from the executable's own
// folder, and its ZEPTA.ini is the user's, never one beside the program.

#include "app_paths.h"
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
