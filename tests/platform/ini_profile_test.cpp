#include "platform/ini_profile.h"
#include "platform/ini_reader.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using lumivex::IniProfile;

namespace {

std::string slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(IniProfile, MissingFileSectionOrKeyReadsAsTheDefault)
{
    lumivex::testing::TempDir dir;
    IniProfile profile(dir / "ZEPTA.ini");
    EXPECT_EQ(profile.readString("Dialog Settings", "Bezel Width", "0"), "0");
    std::ofstream(dir / "ZEPTA.ini") << "[Other]\nBezel Width=5\n";
    EXPECT_EQ(profile.readString("Dialog Settings", "Bezel Width", "0"), "0");
    EXPECT_EQ(profile.readString("Other", "Viewable Width"), "");
}

TEST(IniProfile, WritesKeysWithSpacesAsTheWindowsProgramDoes)
{
    lumivex::testing::TempDir dir;
    IniProfile profile(dir / "ZEPTA.ini");
    ASSERT_TRUE(profile.writeString("Dialog Settings", "Bezel Width", "    10.0"));
    ASSERT_TRUE(profile.writeString("Dialog Settings", "Last File Name", "ZEPTA-K410"));
    const std::string text = slurp(dir / "ZEPTA.ini");
    EXPECT_NE(text.find("[Dialog Settings]"), std::string::npos) << text;
    EXPECT_NE(text.find("Bezel Width=    10.0"), std::string::npos) << text;
    EXPECT_NE(text.find("Last File Name=ZEPTA-K410"), std::string::npos) << text;
    // Read back without the blanks, as the profile functions do; "%8.1f"
    // text still converts to the same number.
    EXPECT_EQ(profile.readString("Dialog Settings", "Bezel Width"), "10.0");
}

TEST(IniProfile, ReadsWindowsLineEndingsAndAnyCaseAndKeepsTheRestOfTheFile)
{
    lumivex::testing::TempDir dir;
    std::ofstream(dir / "ZEPTA.ini", std::ios::binary)
        << "; kept comment\r\n[Ports]\r\nCOM3=/dev/ttyUSB7\r\n[dialog settings]\r\nVIEWABLE WIDTH=  400.0\r\n";
    IniProfile profile(dir / "ZEPTA.ini");
    EXPECT_EQ(profile.readString("Dialog Settings", "Viewable Width"), "400.0");
    ASSERT_TRUE(profile.writeString("Dialog Settings", "Viewable Width", "   12.3"));
    const std::string text = slurp(dir / "ZEPTA.ini");
    EXPECT_NE(text.find("; kept comment"), std::string::npos) << text;
    EXPECT_NE(text.find("COM3=/dev/ttyUSB7"), std::string::npos) << text;
    EXPECT_NE(text.find("VIEWABLE WIDTH=   12.3\r\n"), std::string::npos) << text;  // the file's spelling stays
    EXPECT_EQ(profile.readString("ports", "com3"), "/dev/ttyUSB7");
}

TEST(IniProfile, GarbageIsReadAsTextAndAWriteThatCannotHappenSaysSo)
{
    lumivex::testing::TempDir dir;
    std::ofstream(dir / "ZEPTA.ini", std::ios::binary) << "[Dialog Settings]\nBezel Width=\xff\xfe junk\n\x01\x02\n";
    IniProfile garbage(dir / "ZEPTA.ini");
    EXPECT_EQ(garbage.readString("Dialog Settings", "Bezel Width"), "\xff\xfe junk");

    std::filesystem::create_directory(dir / "a-folder.ini");
    IniProfile folder(dir / "a-folder.ini");
    EXPECT_EQ(folder.readString("Dialog Settings", "Bezel Width", "0"), "0");
    EXPECT_FALSE(folder.writeString("Dialog Settings", "Bezel Width", "1.0"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a-folder.ini"));
}

// A write the reader would not read back as written (here a value that
// would add a key) fails and leaves every byte of the file as it was.
TEST(IniProfile, ARefusedWriteLeavesTheFileAlone)
{
    lumivex::testing::TempDir dir;
    const std::string text = "[Dialog Settings]\r\nBezel Width=1.0\r\n";
    std::ofstream(dir / "ZEPTA.ini", std::ios::binary) << text;
    IniProfile profile(dir / "ZEPTA.ini");
    EXPECT_FALSE(profile.writeString("Dialog Settings", "Bezel Width", "2.0\r\nViewable Width=3.0"));
    EXPECT_EQ(slurp(dir / "ZEPTA.ini"), text);
    EXPECT_FALSE(std::filesystem::exists(dir / "ZEPTA.ini.tmp"));
}

TEST(IniProfile, CreatesThePerUserFolderOnFirstWrite)
{
    lumivex::testing::TempDir dir;
    IniProfile profile(dir / "zepta" / "ZEPTA.ini");
    ASSERT_TRUE(profile.writeString("Dialog Settings", "Bezel Height", "     2.0"));
    EXPECT_EQ(IniProfile(dir / "zepta" / "ZEPTA.ini").readString("Dialog Settings", "Bezel Height"), "2.0");
    EXPECT_FALSE(std::filesystem::exists(dir / "zepta" / "ZEPTA.ini.tmp"));
}

// A key read alone, and a section read whole under any spelling, give what
// the whole file's reading gives, whatever the file repeats.
TEST(IniProfile, AKeyOrSectionReadAloneMatchesTheWholeReading)
{
    const char* texts[] = {
        "[Ports]\nCOM1=/dev/a\nCOM1=/dev/b\n",
        "[Ports]\nCOM1=/dev/a\n[Other]\nx=1\n[ports]\ncom1=/dev/c\nCOM2=/dev/d\n",
        "[PORTS]\r\n COM3 = tcp://h:1 \r\nCom3=/dev/e\r\n",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        lumivex::testing::TempDir dir;
        std::ofstream(dir / "ZEPTA.ini", std::ios::binary) << text;
        const IniProfile profile(dir / "ZEPTA.ini");
        const lumivex::IniValues whole = lumivex::readIniValues(text);
        size_t inPorts = 0;
        for (const auto& [names, value] : whole) {
            EXPECT_EQ(profile.readString(names.first, names.second), value) << names.second;
            inPorts += names.first == "ports";
        }
        for (const char* spelling : {"Ports", "PORTS", "ports"}) {
            const auto entries = profile.readSection(spelling);
            EXPECT_EQ(entries.size(), inPorts) << spelling;
            for (const auto& [key, value] : entries)
                EXPECT_EQ(profile.readString("Ports", key), value) << spelling << " " << key;
        }
    }
}
