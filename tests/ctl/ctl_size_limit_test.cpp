// ZEPTA.ini and set-up files against the 1 MiB limit: up to it they are
// read; past it, however they come, one line names the file, its size when
// known and the limit, and no file is written.

#include "ctl_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace lumivex::testing;

namespace {

constexpr size_t kLimit = 1 << 20;

// A file of exactly `bytes` that means something to its reader.
std::string fileOf(const std::string& head, size_t bytes)
{
    return bytes ? head + ";" + std::string(bytes - head.size() - 2, '-') + "\n" : "";
}

std::string slurp(const std::filesystem::path& path)
{
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

}  // namespace

TEST(CtlSizeLimit, FilesUpToTheLimitAreReadAndLargerOnesRefusedUnwritten)
{
    const std::vector<std::string> maskOn{"set", "mask", "on", "--bezel", "10,10", "--viewable", "400,300"};
    const std::vector<std::string> apply{"apply", "{dir}/setup.ini"};
    const std::string over = ": 1048577 bytes, more than the limit of 1048576 bytes";
    const struct {
        const char* name;
        size_t iniBytes;    // ZEPTA.ini, 0: none
        size_t setupBytes;  // setup.ini, or standard input for "apply -"
        std::vector<std::string> verb;
        int code;
        std::string err;  // {dir}: the row's folder
    } rows[] = {
        {"ZEPTA.ini just under the limit", kLimit - 1, 0, {"status"}, 0, ""},
        {"ZEPTA.ini at the limit", kLimit, 0, {"status"}, 0, ""},
        {"ZEPTA.ini just over the limit, ports", kLimit + 1, 0, {"ports"}, 1, "{dir}/ZEPTA.ini" + over},
        {"ZEPTA.ini just over the limit, status", kLimit + 1, 0, {"status"}, 1, "{dir}/ZEPTA.ini" + over},
        {"ZEPTA.ini far over, set mask on writes nothing", 8 << 20, 0, maskOn, 1,
         "{dir}/ZEPTA.ini: 8388608 bytes, more than the limit of 1048576 bytes"},
        {"ZEPTA.ini at the limit is not written past it", kLimit, 0, maskOn, 1,
         "{dir}/ZEPTA.ini: the sizes cannot be written"},
        {"set-up just under the limit", 0, kLimit - 1, apply, 0, ""},
        {"set-up at the limit", 0, kLimit, apply, 0, ""},
        {"set-up just over the limit", 0, kLimit + 1, apply, 1, "{dir}/setup.ini" + over},
        {"set-up just over, from a pipe", 0, kLimit + 1, {"apply", "-"}, 1,
         "stdin: more than the limit of 1048576 bytes"},
        {"set-up without end", 0, 0, {"apply", "/dev/zero"}, 1, "/dev/zero: more than the limit of 1048576 bytes"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const auto place = [&](std::string text) {
            if (const size_t at = text.find("{dir}"); at != std::string::npos)
                text.replace(at, 5, dir.path().string());
            return text;
        };
        const std::string ini = fileOf("[Dialog Settings]\nBezel Width=12.5\n", row.iniBytes);
        const std::string setup = fileOf("[Device]\npower=on\n", row.setupBytes);
        const bool piped = row.verb.back() == "-";
        if (row.iniBytes)
            std::ofstream(dir / "ZEPTA.ini", std::ios::binary) << ini;
        if (row.setupBytes && !piped)
            std::ofstream(dir / "setup.ini", std::ios::binary) << setup;
        std::vector<std::string> args{"--ini", (dir / "ZEPTA.ini").string()};
        if (row.verb.front() != "ports")
            args.insert(args.end(), {"--link", "ddc"});
        for (const std::string& arg : row.verb)
            args.push_back(place(arg));
        const CtlRun run =
            runCtl(args, {{"ZEPTA_DDCHELPER", binDir() + "/libDDCHelper-sim.so"}}, piped ? &setup : nullptr);
        EXPECT_EQ(run.exitCode, row.code) << run.err;
        EXPECT_EQ(run.err, row.err.empty() ? "" : "lumivex-ctl: " + place(row.err) + "\n");
        EXPECT_EQ(std::filesystem::exists(dir / "ZEPTA.ini"), row.iniBytes > 0);
        EXPECT_TRUE(!row.iniBytes || slurp(dir / "ZEPTA.ini") == ini) << "ZEPTA.ini changed";
        EXPECT_TRUE(!row.setupBytes || piped || slurp(dir / "setup.ini") == setup) << "the set-up file changed";
    }
}
