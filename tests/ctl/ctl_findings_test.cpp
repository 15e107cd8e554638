// What a script must never meet in lumivex-ctl: a write that failed but
// said nothing, a file it did not mean to create or change, an empty
// set-up "applied". One row a finding, on the simulated DDC/CI library.

#include "ctl_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

using namespace lumivex::testing;
namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

const std::string kGoodFile = "; a set-up saved earlier\n[Device]\npower=on\n";
// Over 512 bytes, so that rewriting it passes the file size limit below.
const std::string kLongIni = "[Sizes]\n" + std::string(600, ';') + "\n";

// Files larger than this fail with "File too large", as on a full disk;
// the signal such a write raises is ignored, as the child inherits.
class FileSizeLimit {
public:
    FileSizeLimit()
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{512, m_saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

struct FindingRow {
    const char* name;
    std::map<std::string, std::string> files;  // written in the row's folder first
    Args args;                                 // {dir}: the row's folder
    bool fullDisk;
    int code;
    std::string err;                           // stderr holds this
    std::function<void(const fs::path& dir, const CtlRun&)> check;
    const char* library = "libDDCHelper-sim.so";  // ZEPTA_DDCHELPER: this file of bin/, or one in the row's folder
    bool libraryInFolder = false;
};

void unchanged(const fs::path& file, const std::string& text)
{
    EXPECT_EQ(readFile(file), text) << file;
    const auto stray = std::count_if(fs::directory_iterator(file.parent_path()), fs::directory_iterator(),
                                     [](const auto& e) { return e.path().string().find(".tmp-") != std::string::npos; });
    EXPECT_EQ(stray, 0) << "a temporary file was left behind";
}

const FindingRow kRows[] = {
    {"save over a good file on a full disk keeps it", {{"setup.ini", kGoodFile}}, {"save", "{dir}/setup.ini"}, true,
     1, "setup.ini: File too large",
     [](const fs::path& dir, const CtlRun&) { unchanged(dir / "setup.ini", kGoodFile); }},
    // A named pipe stands for /dev/full and its kind: renamed over, a
    // device would be gone for every program on the machine.
    {"save to a device is refused and the device left alone", {}, {"save", "{dir}/device"}, false, 1,
     "device: not a regular file",
     [](const fs::path& dir, const CtlRun&) {
         struct stat s {};
         EXPECT_TRUE(::stat((dir / "device").c_str(), &s) == 0 && S_ISFIFO(s.st_mode));
     }},
    {"save - writes to standard output", {}, {"save", "-"}, false, 0, "",
     [](const fs::path&, const CtlRun& run) {
         EXPECT_EQ(run.out.rfind("; ZEPTA set-up", 0), 0u) << run.out;
         EXPECT_FALSE(fs::exists("-"));
     }},
    {"an empty set-up file is not applied", {{"empty.ini", ""}}, {"apply", "{dir}/empty.ini"}, false, 1,
     "empty.ini: nothing to apply", nullptr},
    {"nor is /dev/null", {}, {"apply", "/dev/null"}, false, 1, "/dev/null: nothing to apply", nullptr},
    {"--ini in a missing folder creates nothing", {}, {"--ini", "{dir}/missing/ZEPTA.ini", "status"}, false, 1,
     "--ini: there is no folder",
     [](const fs::path& dir, const CtlRun&) { EXPECT_FALSE(fs::exists(dir / "missing")); }},
    {"--ini naming a device", {}, {"--ini", "{dir}/device", "status"}, false, 1, "device is not a regular file",
     nullptr},
    {"a DDC/CI library named but missing is an error naming it", {}, {"status"}, false, 3, "missing-plugin.so",
     nullptr, "missing-plugin.so", true},
    {"a command that fails leaves ZEPTA.ini as it was", {{"ZEPTA.ini", kLongIni}},
     {"set", "mask", "on", "--bezel", "120,120", "--viewable", "400,400"}, false, 1, "above the 10 % the device masks",
     [](const fs::path& dir, const CtlRun&) { unchanged(dir / "ZEPTA.ini", kLongIni); }},
    {"sizes that cannot be written are reported", {{"ZEPTA.ini", kLongIni}},
     {"set", "mask", "on", "--bezel", "10,12", "--viewable", "400,400"}, true, 1, "the sizes cannot be written",
     [](const fs::path& dir, const CtlRun&) { unchanged(dir / "ZEPTA.ini", kLongIni); }},
};

class CtlFinding : public ::testing::TestWithParam<FindingRow> {};

}  // namespace

TEST_P(CtlFinding, FailsAloudAndLosesNothing)
{
    const FindingRow& row = GetParam();
    TempDir dir;
    for (const auto& [name, text] : row.files)
        std::ofstream(dir / name) << text;
    ASSERT_EQ(::mkfifo((dir / "device").c_str(), 0600), 0);
    Args args{"--link", "ddc"};
    if (std::find(row.args.begin(), row.args.end(), "--ini") == row.args.end())
        args.insert(args.end(), {"--ini", (dir / "ZEPTA.ini").string()});
    for (std::string arg : row.args) {
        if (const size_t at = arg.find("{dir}"); at != std::string::npos)
            arg.replace(at, 5, dir.path().string());
        args.push_back(arg);
    }
    const std::string library = row.libraryInFolder ? (dir / row.library).string() : binDir() + "/" + row.library;
    const std::vector<std::pair<std::string, std::string>> env{{"ZEPTA_DDCHELPER", library}};
    CtlRun run;
    if (row.fullDisk) {
        FileSizeLimit limit;
        run = runCtl(args, env);
    } else {
        run = runCtl(args, env);
    }
    EXPECT_EQ(run.exitCode, row.code) << run.err;
    EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
    if (row.check)
        row.check(dir.path(), run);
}

INSTANTIATE_TEST_SUITE_P(Rows, CtlFinding, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});
