// Every refusal of lumivex-ctl says what was wrong and what to do, in one
// line on stderr that starts with the row's words, ends with its code, and
// leaves every file as it was. One row a kind of mistake, run as a script
// runs it, on the simulated DDC/CI library (a K410) so that refusals made
// on the device's answers are here too; beside the size limit's refusals,
// files at the limit pass.

#include "ctl_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

using namespace lumivex::testing;
namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

struct RefusalRow {
    const char* name;
    Args args;     // {dir}: the row's folder; --ini {dir}/ZEPTA.ini unless given
    int code;
    std::string starts;  // stderr's first words, after "lumivex-ctl: "; empty: nothing on stderr
    std::map<std::string, std::string> files = {};  // written in the row's folder first
    std::optional<std::string> input = {};         // standard input, through a pipe
    std::optional<std::string> out = {};           // stdout of a run that passes, when it matters
};

constexpr size_t kLimit = 1 << 20;

// A file of exactly `bytes` that means something to its reader.
std::string fileOf(const std::string& head, size_t bytes)
{
    return head + ";" + std::string(bytes - head.size() - 2, '-') + "\n";
}

const std::string kIni = "[Dialog Settings]\nBezel Width=12.5\n";
const std::string kSetup = "[Device]\npower=on\n";
const std::string kOver = ": 1048577 bytes, more than the limit of 1048576 bytes";
// Two controllers on the simulated DDC/CI monitor.
const std::string kWalls = "[Controller desk]\nLink = ddc\n[Controller desk-b]\nLink = ddc:0\n";
const Args kMaskOn{"--link", "ddc", "set", "mask", "on", "--bezel", "10,10", "--viewable", "400,300"};

const RefusalRow kRows[] = {
    // The command line itself.
    {"an unknown option", {"--link", "ddc", "status", "-x"}, 1, "unknown option '-x' (see --help)"},
    {"an unknown verb", {"--link", "ddc", "stat"}, 1, "unknown verb 'stat' (see --help)"},
    {"extra arguments", {"--link", "ddc", "status", "extra"}, 1, "status takes no arguments, not 'extra'"},
    {"one argument too many", {"--link", "ddc", "set", "power", "on", "now"}, 1,
     "set takes SETTING VALUE; 'now' is one too many"},
    {"an option given twice", {"--link", "ddc", "--wait", "5", "--wait", "6", "status"}, 1, "--wait is given twice"},
    {"a flag with a value", {"--json=yes", "ports"}, 1, "--json takes no value"},
    {"an option with no value", {"status", "--link"}, 1, "--link needs a value (LINK)"},
    {"a bad wait", {"--link", "ddc", "--wait", "soon", "status"}, 1, "--wait: "},
    // An option where it means nothing.
    {"--yes for a verb that asks nothing", {"--yes", "--link", "ddc", "status"}, 1, "--yes goes with reset, not status"},
    {"a mask option elsewhere", {"--link", "ddc", "status", "--h", "5"}, 1, "--h goes with set mask on"},
    {"a mask option with another verb's mask", {"--link", "ddc", "save", "mask", "--h", "5"}, 1,
     "--h goes with set mask on"},
    {"the mask's tenths with the mask off", {"--link", "ddc", "set", "mask", "off", "--h", "5", "--v", "5"}, 1,
     "--h goes with set mask on; set mask off keeps the device's mask"},
    // The mask's numbers: range, form and pairs.
    {"a negative percentage", {"--link", "ddc", "set", "mask", "on", "--h", "-1", "--v", "1"}, 1,
     "--h takes a percentage from 0 to 10, such as 2.5, not '-1'"},
    {"a decimal comma", {"--link", "ddc", "set", "mask", "on", "--h", "1,5", "--v", "1"}, 1,
     "--h takes a percentage from 0 to 10, such as 2.5, not '1,5' (write a decimal point, not a comma)"},
    {"above the device's mask", {"--link", "ddc", "set", "mask", "on", "--h", "2", "--v", "10.5"}, 1,
     "--v takes a percentage from 0 to 10, such as 2.5, not '10.5'"},
    {"not a number", {"--link", "ddc", "set", "mask", "on", "--h", "nan", "--v", "1"}, 1, "--h takes a percentage"},
    {"percentages at the device's limits", {"--link", "ddc", "set", "mask", "on", "--h", "10", "--v", "0"}, 0, ""},
    {"a height over the limit", {"--link", "ddc", "set", "mask", "on", "--bezel", "1,10000.5", "--viewable", "3,4"}, 1,
     "--bezel takes W,H in millimetres from 0 to 10000"},
    {"sizes at their limit reach the device's check",
     {"--link", "ddc", "set", "mask", "on", "--bezel", "10000,0", "--viewable", "10000,10000"}, 1,
     "the sizes give a mask of 50 % by 0 %"},
    {"one of a pair", {"--link", "ddc", "set", "mask", "on", "--h", "2"}, 1,
     "set mask on takes --h PERCENT --v PERCENT, or --bezel W,H --viewable W,H"},
    {"sizes written with decimal commas", {"--link", "ddc", "set", "mask", "on", "--bezel", "1,5,2", "--viewable", "3,4"},
     1, "--bezel takes W,H in millimetres from 0 to 10000, such as 12.5,10, not '1,5,2' (a decimal point"},
    {"sizes that give no mask", {"--link", "ddc", "set", "mask", "on", "--bezel", "5,5", "--viewable", "0,300"}, 1,
     "--viewable: these sizes give no mask"},
    {"sizes beyond the device's mask", {"--link", "ddc", "set", "mask", "on", "--bezel", "120,120", "--viewable", "400,400"},
     1, "the sizes give a mask of 15 % by 15 %, above the 10 % the device masks"},
    // Links.
    {"a link that is none", {"--link", "tty", "status"}, 1,
     "--link takes ddc, ddc:N, DDC2Bi, COMn, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT, not 'tty'"},
    {"a server without a port", {"--link", "tcp://10.0.0.5", "status"}, 1,
     "--link: tcp://10.0.0.5: no port (write tcp://HOST:PORT)"},
    {"a link given twice", {"--link", "COM1", "--link", "com1", "status"}, 1, "the link COM1 is given twice"},
    {"ports takes no link", {"--link", "ddc", "ports"}, 1, "ports takes no link"},
    {"a verb that needs a link", {"status"}, 1, "status needs --link ddc|COMn|/dev/... (ports lists them)"},
    {"--monitor with a serial link", {"--link", "COM1", "--monitor", "1", "status"}, 1,
     "--monitor goes with one --link ddc"},
    {"--monitor with two links", {"--link", "ddc", "--link", "COM1", "--monitor", "1", "status"}, 1,
     "--monitor goes with one --link ddc"},
    {"--monitor with a link that names its monitor", {"--link", "DDC:1", "--monitor", "2", "status"}, 1,
     "--monitor goes with --link ddc; DDC:1 names its monitor already"},
    {"--monitor at its lowest", {"--link", "ddc", "--monitor", "0", "model"}, 0, "", {}, {}, "K410\n"},
    {"a links file that is not there", {"--links", "{dir}/none.txt", "status"}, 1,
     "--links: {dir}/none.txt: No such file or directory"},
    {"a links file at its limit", {"--links", "{dir}/room.txt", "model"}, 0, "",
     {{"room.txt", "ddc\n#" + std::string(65536 - 6, '-') + "\n"}}},
    {"a links file over its limit", {"--links", "{dir}/room.txt", "model"}, 1,
     "--links: {dir}/room.txt is larger than 65536 bytes", {{"room.txt", "ddc\n#" + std::string(65537 - 6, '-') + "\n"}}},
    {"a links file that is a device", {"--links", "/dev/null", "status"}, 1, "--links: /dev/null is not a regular file"},
    {"a bad line of a links file", {"--links", "{dir}/room.txt", "status"}, 1,
     "{dir}/room.txt:3: --link takes ddc, ddc:N", {{"room.txt", "# east\nCOM1\ntty\n"}}},
    {"a link twice in a links file", {"--link", "COM1", "--links", "{dir}/room.txt", "status"}, 1,
     "{dir}/room.txt:2: the link COM1 is given twice", {{"room.txt", "\ncom1\n"}}},
    // Named controllers.
    {"a name the inventory lacks", {"--inventory", "{dir}/walls.ini", "-c", "lobby", "status"}, 1,
     "-c lobby: {dir}/walls.ini names no such controller", {{"walls.ini", kWalls}}},
    {"an inventory that is not there", {"--inventory", "{dir}/none.ini", "--all", "status"}, 1,
     "{dir}/none.ini: no such file (the named controllers)"},
    {"a malformed inventory", {"--inventory", "{dir}/walls.ini", "-c", "desk", "status"}, 1, "{dir}/walls.ini:2: ",
     {{"walls.ini", "[Controller desk]\nLnk = ddc\n"}}},
    {"a controller given twice", {"--inventory", "{dir}/walls.ini", "-c", "desk", "-c", "desk", "status"}, 1,
     "controller desk is given twice", {{"walls.ini", kWalls}}},
    {"--all beside a name", {"--inventory", "{dir}/walls.ini", "--all", "-c", "desk", "status"}, 1,
     "--all names every controller already; leave out -c desk", {{"walls.ini", kWalls}}},
    {"--inventory without a controller", {"--inventory", "{dir}/walls.ini", "--link", "ddc", "status"}, 1,
     "--inventory goes with -c NAME or --all", {{"walls.ini", kWalls}}},
    {"--monitor with a controller", {"--inventory", "{dir}/walls.ini", "-c", "desk", "--monitor", "1", "status"}, 1,
     "--monitor goes with one --link ddc; a controller's Link names its monitor", {{"walls.ini", kWalls}}},
    {"ports takes no controller", {"-c", "desk", "ports"}, 1, "ports takes no link"},
    {"an empty inventory for --all", {"--inventory", "{dir}/walls.ini", "--all", "status"}, 1,
     "--all: {dir}/walls.ini names no controller", {{"walls.ini", "# none yet\n"}}},
    {"a controller by name, with no service", {"--inventory", "{dir}/walls.ini", "-c", "desk", "model"}, 0, "",
     {{"walls.ini", kWalls}}, {}, "K410\n"},
    {"every controller, each output named", {"--inventory", "{dir}/walls.ini", "--all", "model"}, 0, "",
     {{"walls.ini", kWalls}}, {}, "desk: K410\ndesk-b: K410\n"},
    // Files of a verb.
    {"save - with several links", {"--link", "ddc", "--link", "ddc:1", "save", "-"}, 1,
     "save - takes one link; for several, name a folder (save walls/ writes one file a link)"},
    {"save to a file with several links", {"--link", "ddc", "--link", "ddc:1", "save", "{dir}/wall.ini"}, 1,
     "save with several links takes a folder, such as {dir}/wall.ini/"},
    {"save into a folder that cannot be made", {"--link", "ddc", "save", "{dir}/file.ini/walls/"}, 1,
     "save: {dir}/file.ini/walls/: the folder cannot be made", {{"file.ini", ""}}},
    {"apply from a folder that is not there", {"--link", "ddc", "apply", "{dir}/walls/"}, 1,
     "apply: {dir}/walls/: no such folder"},
    {"apply from a folder without the link's file", {"--link", "ddc", "apply", "{dir}/walls/"}, 1,
     "{dir}/walls/ddc.ini: No such file or directory", {{"walls/other.ini", "[Device]\npower=on\n"}}},
    // Files of up to 1 MiB are read; a larger one is refused, however it comes.
    {"ZEPTA.ini at the limit is read", {"--link", "ddc", "status"}, 0, "", {{"ZEPTA.ini", fileOf(kIni, kLimit)}}},
    {"ZEPTA.ini over the limit, ports", {"ports"}, 1, "{dir}/ZEPTA.ini" + kOver,
     {{"ZEPTA.ini", fileOf(kIni, kLimit + 1)}}},
    {"ZEPTA.ini far over the limit, set mask on", kMaskOn, 1,
     "{dir}/ZEPTA.ini: 8388608 bytes, more than the limit of 1048576 bytes", {{"ZEPTA.ini", fileOf(kIni, 8 << 20)}}},
    {"ZEPTA.ini at the limit is not written past it", kMaskOn, 1, "{dir}/ZEPTA.ini: the sizes cannot be written",
     {{"ZEPTA.ini", fileOf(kIni, kLimit)}}},
    {"a set-up at the limit is applied", {"--link", "ddc", "apply", "{dir}/setup.ini"}, 0, "",
     {{"setup.ini", fileOf(kSetup, kLimit)}}},
    {"a set-up over the limit", {"--link", "ddc", "apply", "{dir}/setup.ini"}, 1, "{dir}/setup.ini" + kOver,
     {{"setup.ini", fileOf(kSetup, kLimit + 1)}}},
    {"a set-up over the limit, from a pipe", {"--link", "ddc", "apply", "-"}, 1,
     "stdin: more than the limit of 1048576 bytes", {}, fileOf(kSetup, kLimit + 1)},
    {"a set-up without end", {"--link", "ddc", "apply", "/dev/zero"}, 1,
     "/dev/zero: more than the limit of 1048576 bytes"},
    // Where the verb's output goes.
    {"save to a file says nothing on stdout", {"--link", "ddc", "save", "{dir}/wall.ini"}, 0, "", {}, {}, ""},
    {"[Ports] entries no name reaches, under any spelling of the section", {"ports"}, 0,
     "{dir}/ZEPTA.ini: 1 entry of [Ports] ignored; ports -v says why", {{"ZEPTA.ini", "[ports]\nCOM300=/dev/ttyS0\n"}}},
    {"ports -v says why", {"ports", "-v"}, 0,
     "{dir}/ZEPTA.ini: [Ports] COM300=/dev/ttyS0 is ignored: COM names go up to COM255",
     {{"ZEPTA.ini", "[PORTS]\nCOM300=/dev/ttyS0\n"}}},
    // Asked, not answered.
    {"reset without --yes", {"--link", "ddc", "reset"}, 1, "System will load factory setting: not confirmed (add --yes)"},
};

std::string withDir(std::string text, const fs::path& dir)
{
    for (size_t at; (at = text.find("{dir}")) != std::string::npos;)
        text.replace(at, 5, dir.string());
    return text;
}

class CtlRefusal : public ::testing::TestWithParam<RefusalRow> {};

}  // namespace

TEST_P(CtlRefusal, OneLineThatSaysWhatToDo)
{
    const RefusalRow& row = GetParam();
    TempDir dir;
    for (const auto& [name, text] : row.files) {
        fs::create_directories((dir / name).parent_path());
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    Args args;
    if (std::find(row.args.begin(), row.args.end(), "--ini") == row.args.end())
        args = {"--ini", (dir / "ZEPTA.ini").string()};
    for (const std::string& arg : row.args)
        args.push_back(withDir(arg, dir.path()));
    const CtlRun run = runCtl(args, {{"ZEPTA_DDCHELPER", binDir() + "/libDDCHelper-sim.so"}, {"ZEPTA_SIM_MONITORS", "2"}},
                              row.input ? &*row.input : nullptr);
    EXPECT_EQ(run.exitCode, row.code) << run.err;
    if (row.starts.empty()) {
        EXPECT_EQ(run.err, "");
    } else {
        const std::string starts = "lumivex-ctl: " + withDir(row.starts, dir.path());
        EXPECT_EQ(run.err.substr(0, starts.size()), starts) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line: " << run.err;
    }
    if (row.code != 0 || row.out) {
        EXPECT_EQ(run.out, row.code != 0 ? "" : *row.out);
    }
    // Nothing is lost, and no settings file is made of a refusal.
    for (const auto& [name, text] : row.files) {
        std::stringstream now;
        now << std::ifstream(dir / name, std::ios::binary).rdbuf();
        EXPECT_TRUE(now.str() == text) << name << " changed";
    }
    EXPECT_EQ(fs::exists(dir / "ZEPTA.ini"), row.files.count("ZEPTA.ini") > 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, CtlRefusal, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});
