#include "app_paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

using lumivex::chooseIniPath;
using lumivex::IniLocationInputs;

TEST(IniLocation, BesideTheProgramWhenWritableElseThePerUserFolder)
{
    auto writable = [](const std::filesystem::path&) { return true; };
    auto readOnly = [](const std::filesystem::path&) { return false; };
    struct Case {
        const char* name;
        IniLocationInputs in;
        std::filesystem::path expected;
    };
    const Case cases[] = {
        {"writable", {"/opt/lumivex", "/home/op/.cfg", "/home/op", writable}, "/opt/lumivex/ZEPTA.ini"},
        {"capitals kept", {"/opt/LUMIVEX", std::nullopt, "/home/op", writable}, "/opt/LUMIVEX/ZEPTA.ini"},
        {"xdg", {"/usr/bin", "/home/op/.cfg", "/home/op", readOnly}, "/home/op/.cfg/zepta/ZEPTA.ini"},
        {"home", {"/usr/bin", std::nullopt, "/home/op", readOnly}, "/home/op/.config/zepta/ZEPTA.ini"},
        {"relative xdg ignored", {"/usr/bin", "cfg", "/home/op", readOnly}, "/home/op/.config/zepta/ZEPTA.ini"},
        {"empty xdg ignored", {"/usr/bin", "", "/home/op", readOnly}, "/home/op/.config/zepta/ZEPTA.ini"},
        {"nowhere else", {"/usr/bin", std::nullopt, std::nullopt, readOnly}, "/usr/bin/ZEPTA.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(chooseIniPath(c.in), c.expected);
    }
}

TEST(IniLocation, WritabilityIsCheckedOnTheFileWhenItExistsElseItsFolder)
{
    lumivex::testing::TempDir dir;
    EXPECT_TRUE(lumivex::isWritableLocation(dir / "ZEPTA.ini"));
    EXPECT_FALSE(lumivex::isWritableLocation(dir / "missing-folder" / "ZEPTA.ini"));
    std::ofstream(dir / "ZEPTA.ini") << "[Dialog Settings]\n";
    EXPECT_TRUE(lumivex::isWritableLocation(dir / "ZEPTA.ini"));
}

TEST(IniLocation, ExecutableDirectoryIsTheTestProgramsOwn)
{
    const std::filesystem::path dir = lumivex::executableDirectory();
    EXPECT_TRUE(dir.is_absolute());
    EXPECT_TRUE(std::filesystem::exists(dir / "platform_test"));
}
