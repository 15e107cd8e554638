// A settings file that is hard to use: beside a program whose folder cannot
// be written, a per-user folder that cannot be made, a write that fails
// half-way, garbage and huge values. Permission bits alone prove nothing
// for root, so unwritable places are injected, made of paths through a
// regular file, or checked by a child process that is not root.

#include "platform/app_paths.h"
#include "pages/display_page.h"
#include "panel/display_rules.h"
#include "platform/ini_profile.h"
#include "page_fixture.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <optional>
#include <sstream>

using namespace lumivex;
using lumivex::testing::TempDir;
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void put(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

const std::string kOriginal = "[Ports]\r\nCOM3=/dev/ttyUSB7\r\n[Dialog Settings]\r\nBezel Width=    10.0\r\n"
                              "Viewable Width=   400.0\r\n";

}  // namespace

TEST(HardIniFile, SettingsBesideAProgramThatCannotWriteThereCarryOverToThePerUserFile)
{
    const struct {
        const char* name;
        bool original;                     // a ZEPTA.ini beside the program
        std::optional<std::string> user;   // a per-user file already there
        bool userFolderBlocked;            // $XDG_CONFIG_HOME is a regular file
        bool usesUserFile;
        double bezelWidth;                 // what the panel then reads
        bool oversized = false;            // the original is over the settings file limit
    } cases[] = {
        {"sizes carried over", true, std::nullopt, false, true, 10},
        {"the per-user file, once there, wins", true, "[Dialog Settings]\nBezel Width=12\n", false, true, 12},
        {"nothing to carry", false, std::nullopt, false, true, 0},
        {"no per-user folder: the original is still read", true, std::nullopt, true, false, 10},
        {"an original too large to read is not copied", true, std::nullopt, false, false, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir root;
        const fs::path besideExe = root / "bin" / "ZEPTA.ini";
        const fs::path userFile = root / "cfg" / "zepta" / "ZEPTA.ini";
        fs::create_directories(root / "bin");
        const std::string original = c.oversized ? kOriginal + std::string(kSettingsFileLimit, ';') : kOriginal;
        if (c.original)
            put(besideExe, original);
        if (c.user)
            put(userFile, *c.user);
        if (c.userFolderBlocked)
            put(root / "cfg", "a file where the folder should be");
        const IniLocationInputs in{root / "bin", (root / "cfg").string(), root.path().string(),
                                   [&](const fs::path& p) { return p != besideExe; }};

        const fs::path path = prepareIniPath(in);
        EXPECT_EQ(path, c.usesUserFile ? userFile : besideExe);
        IniProfile profile(path);
        DisplayState state;
        loadSizes(profile, state);
        EXPECT_EQ(state.bezelWidth, c.bezelWidth);
        EXPECT_FALSE(fs::exists(userFile.string() + ".tmp"));
        EXPECT_EQ(fs::exists(userFile), c.usesUserFile && (c.original || c.user));
        if (c.oversized) {
            EXPECT_FALSE(saveSizes(profile, state)) << "a file that could not be read is never written";
        }
        if (c.original) {
            EXPECT_EQ(slurp(besideExe), original) << "the original is never touched";
        }
        if (!c.usesUserFile)
            continue;

        state.bezelWidth = 25;
        saveSizes(profile, state);
        EXPECT_EQ(IniProfile(userFile).readString("Dialog Settings", "Bezel Width"), "25.0");
        if (c.original && !c.user) {
            EXPECT_EQ(IniProfile(userFile).readString("Ports", "COM3"), "/dev/ttyUSB7") << "the rest comes along";
        }
        if (c.original) {
            EXPECT_EQ(slurp(besideExe), original) << "the original is never touched, nor after a write";
        }
    }
}

// A write cut short by a file-size limit (as a full disk would) leaves the
// old file whole and no half-written copy behind; root is held to the
// limit too.
TEST(HardIniFile, AWriteThatFailsLeavesTheOldFileWhole)
{
    TempDir dir;
    const fs::path file = dir / "ZEPTA.ini";
    put(file, kOriginal);
    IniProfile profile(file);

    rlimit was{};
    getrlimit(RLIMIT_FSIZE, &was);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = was;
    small.rlim_cur = 512;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = profile.writeString("Dialog Settings", "Note", std::string(4000, 'x'));
    setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, oldSignal);

    EXPECT_FALSE(written);
    EXPECT_EQ(slurp(file), kOriginal);
    EXPECT_FALSE(fs::exists(dir / "ZEPTA.ini.tmp"));
}

// The file is replaced through a new one beside it, so a folder that takes
// no new files is no place for it even when the file itself is writable.
// Asked by a child that is not root, for whom the bits count.
TEST(HardIniFile, AFolderThatTakesNoNewFilesIsNotWritable)
{
    const struct {
        const char* name;
        mode_t folder, file;
        bool writable;
    } cases[] = {
        {"folder and file writable", 0777, 0666, true},
        {"file writable, folder not", 0555, 0666, false},
        {"folder writable, file not", 0777, 0444, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const fs::path file = dir / "bin" / "ZEPTA.ini";
        put(file, kOriginal);
        ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
        ASSERT_EQ(chmod(file.c_str(), c.file), 0);
        ASSERT_EQ(chmod(file.parent_path().c_str(), c.folder), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(2);
            _exit(isWritableLocation(file) ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_NE(WEXITSTATUS(status), 2) << "could not become another user";
        EXPECT_EQ(WEXITSTATUS(status) == 1, c.writable);
        chmod(file.parent_path().c_str(), 0755);
    }
}

// Sizes far beyond anything the page accepts are shown as numbers, or as 0
// when no float holds them; "Calculate" refuses them and keeps every number
// the file held.
TEST(HardIniFile, HugeSizesAreShownRefusedAndKept)
{
    lumivex::testing::PageFixture f;
    put(f.dir / "ZEPTA.ini", "[Dialog Settings]\nBezel Width=99999\nViewable Width=-400\nBezel Height=3.4e38\n"
                             "Viewable Height=" + std::string(100000, '9') + "\n");
    f.showTab(1);
    OSD_Color& page = *f.sheet.displayPage();
    const auto shown = [&](int id) { return page.control<QLineEdit>(id)->text(); };
    EXPECT_EQ(shown(OSD_Color::kBezelWidthId), "99999");
    EXPECT_EQ(shown(OSD_Color::kViewableWidthId), "-400");
    EXPECT_EQ(shown(OSD_Color::kBezelHeightId), "3.4e+38");
    EXPECT_EQ(shown(OSD_Color::kViewableHeightId), "0");
    f.messages.texts.clear();
    page.control<QAbstractButton>(OSD_Color::kCalculateId)->click();
    EXPECT_EQ(f.messages.texts, QStringList{"Please enter a number between 0 and 10000."});
    DisplayState kept;
    loadSizes(f.profile, kept);
    EXPECT_EQ(kept.bezelWidth, 99999);
    EXPECT_EQ(kept.viewableWidth, -400);
    EXPECT_EQ(kept.bezelHeight, 3.4e38f);
    EXPECT_EQ(kept.viewableHeight, 0);
}
