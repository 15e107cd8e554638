#include "platform/app_paths.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

using lumivex::chooseIniPath;
using lumivex::IniLocationInputs;

TEST(IniLocation, BesideTheProgramWhenWritableElseThePerUserFolderElseTheServiceStateFolder)
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
        {"home before the state folder", {"/usr/bin", std::nullopt, "/home/op", readOnly, false, "/var/lib/svc"},
         "/home/op/.config/zepta/ZEPTA.ini"},
        {"no home: the service's state folder", {"/usr/bin", std::nullopt, std::nullopt, readOnly, false, "/var/lib/svc"},
         "/var/lib/svc/ZEPTA.ini"},
        {"state folders listed: the first", {"/usr/bin", "", "", readOnly, false, "/var/lib/svc:/var/lib/other"},
         "/var/lib/svc/ZEPTA.ini"},
        {"no home, no state folder", {"/usr/bin", std::nullopt, std::nullopt, readOnly}, "/var/lib/lumivex/ZEPTA.ini"},
        {"empty home and state folder", {"/usr/bin", "", "", readOnly, false, ""}, "/var/lib/lumivex/ZEPTA.ini"},
        {"installed service never beside the program", {"/usr/bin", std::nullopt, std::nullopt, writable, true},
         "/var/lib/lumivex/ZEPTA.ini"},
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
