// What a script may trust of lumivex-ctl: a state read back exactly, a
// fault on the line said as what it was, and one JSON shape for any
// number of links. Processes against zepta-sim and the simulated library.

#include "ctl_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace lumivex::testing;

namespace {

using Args = std::vector<std::string>;

const std::string kIniWithSizes =
    "[Dialog Settings]\nBezel Width=600.123456789\nViewable Width=  340.05\nBezel Height=    7.5\nViewable Height= 1200.0\n";

// One controller and its own ZEPTA.ini: a serial zepta-sim, or monitor 0
// of the simulated DDC/CI library with its state kept in a file.
struct Controller {
    Controller(const std::string& model, bool ddc, const std::string& ini)
        : ddc(ddc)
        , sim(Args{"--persist", "--model", model})
        , model(model)
    {
        std::ofstream(dir / "ZEPTA.ini") << ini;
    }
    CtlRun run(Args args, const std::string* input = nullptr)
    {
        Args all{"--ini", (dir / "ZEPTA.ini").string(), "--link", ddc ? "ddc" : sim.slavePath()};
        all.insert(all.end(), args.begin(), args.end());
        return runCtl(all,
                      {{"ZEPTA_DDCHELPER", binDir() + "/libDDCHelper-sim.so"},
                       {"ZEPTA_SIM_MODEL", model},
                       {"ZEPTA_SIM_STATE", (dir / "monitors.state").string()}},
                      input);
    }
    // status --json without the link's name, which differs by design.
    QJsonObject state()
    {
        const CtlRun status = run({"--json", "status"});
        EXPECT_EQ(status.exitCode, 0) << status.err;
        QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(status.out)).object();
        object.remove("link");
        return object;
    }
    bool ddc;
    TempDir dir;
    SimProcess sim;
    std::string model;
};

// Set everything a model has, read it, save it; apply the file to a fresh
// controller and a fresh ZEPTA.ini: the two read exactly alike, sizes to
// their last digit.
TEST(CtlRoundTrip, SetSaveApplyToAFreshControllerReadsTheSame)
{
    const struct {
        const char* model;
        bool ddc;
        std::vector<Args> sets;
    } rows[] = {
        {"K410", false,
         {{"input", "component"}, {"osd", "lock"}, {"rotation", "rotated"}, {"gpo", "1011"},
          {"resolution", "1920x1080"}, {"layout", "Mode2"}}},
        {"K420", false, {{"resolution", "1366x768"}, {"layout", "3x2"}}},
        {"K410", true, {{"input", "dvi"}, {"osd", "lock"}, {"gpo", "0110"}, {"layout", "2x2"}}},
        {"K420", true, {{"resolution", "7"}, {"layout", "2x3"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.model) + (row.ddc ? " over DDC/CI" : " over serial"));
        Controller first(row.model, row.ddc, kIniWithSizes);
        for (Args set : row.sets) {
            set.insert(set.begin(), "set");
            const CtlRun done = first.run(set);
            ASSERT_EQ(done.exitCode, 0) << set[1] << ": " << done.err;
        }
        ASSERT_EQ(first.run({"set", "mask", "on", "--h", "2.5", "--v", "1.3"}).exitCode, 0);
        const QJsonObject before = first.state();
        EXPECT_EQ(before["sizes"].toObject()["bezelWidth"].toDouble(), 600.123456789);
        EXPECT_EQ(before["sizes"].toObject()["viewableWidth"].toDouble(), 340.05);
        const std::string setup = (first.dir / "setup.ini").string();
        ASSERT_EQ(first.run({"save", setup}).exitCode, 0);
        std::stringstream saved;
        saved << std::ifstream(setup).rdbuf();
        EXPECT_NE(saved.str().find("\nbezel width=600.123456789\nviewable width=340.05\n"), std::string::npos);

        Controller fresh(row.model, row.ddc, "");
        const CtlRun applied = fresh.run({"apply", setup});
        EXPECT_EQ(applied.exitCode, 0) << applied.err;
        EXPECT_EQ(fresh.state(), before);
        EXPECT_EQ(fresh.run({"apply", setup}).out.substr(0, 9), "unchanged");
    }
}

// Model requests the simulator received whole, as its log tells.
int modelRequests(const std::filesystem::path& log)
{
    std::ifstream in(log);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.find(" rx 04 1A 00 E2") != std::string::npos;
    return count;
}

// A fault on the line, and what the run says of it: its exit code, the
// start of its one stderr line after "lumivex-ctl: PATH: ", and how often
// the model was asked (a read-back that takes nothing is sent once more).
TEST(CtlLineFaults, EachFaultEndsWithItsCodeAndWhatWasWrong)
{
    const struct {
        const char* name;
        Args sim;
        Args verb;
        int code;
        const char* err;  // empty: the run succeeds
        int asked;        // model requests received whole, over all runs
        const char* wait = "1000";
        int runs = 1;     // one after another, against the same simulator
    } rows[] = {
        {"a truncated reply", {"--garble", "truncate"}, {"model"}, 2,
         "damaged reply to the model query: 2 of its 4 bytes arrived", 2},
        {"a bad checksum", {"--garble", "checksum"}, {"status"}, 2,
         "damaged reply to the model query: its bytes sum to 0x01, not 0", 2},
        {"top bits set", {"--garble", "high"}, {"model"}, 2, "damaged reply to the model query: its bytes sum to 0x80",
         2},
        {"noise before each reply", {"--noise", "7"}, {"status"}, 0, "", 1, "5000"},
        {"the first byte of each opening lost: asked again", {"--persist", "--drop-first"}, {"model"}, 0, "", 2, "1000",
         2},
        {"silent, for a setting", {"--no-reply"}, {"set", "power", "off"}, 2, "the device did not answer the model query",
         2, "20"},
        {"silent, for identify", {"--no-reply"}, {"identify"}, 2, "the device did not answer the model query", 2, "20"},
        {"silent, without verification", {"--no-reply"}, {"--no-verify", "identify"}, 0, "", 0, "20"},
        {"silent, a setting without verification", {"--no-reply"}, {"--no-verify", "set", "power", "on"}, 0, "", 0,
         "20"},
        {"a setting taken and lost", {"--forget-writes"}, {"set", "power", "off"}, 4, "set power did not take: ", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        Args simArgs = row.sim;
        simArgs.insert(simArgs.end(), {"--log", (dir / "sim.log").string()});
        SimProcess sim(simArgs);
        ASSERT_TRUE(sim.started());
        Args args{"--link", sim.slavePath()};
        args.insert(args.end(), row.verb.begin(), row.verb.end());
        // A reply that never comes whole ends the wait: keep it short where
        // that is the row's point, long where an answer must get through.
        CtlRun run;
        for (int i = 0; i < row.runs; ++i)
            run = runCtl(args, {{"ZEPTA_REPLY_WAIT_MS", row.wait}});
        EXPECT_EQ(run.exitCode, row.code) << run.err;
        const std::string head = "lumivex-ctl: " + sim.slavePath() + ": " + row.err;
        if (*row.err)
            EXPECT_EQ(run.err.substr(0, head.size()), head) << run.err;
        else
            EXPECT_EQ(run.err, "");
        // The last request may still be on its way into the simulator's log.
        waitUntil([&] { return modelRequests(dir / "sim.log") >= row.asked; });
        EXPECT_EQ(modelRequests(dir / "sim.log"), row.asked);
    }
}

// --json: one object a line for any number of links, each with its link
// and exit, failures included; apply reads its file from a pipe.
TEST(CtlJsonLines, OneObjectALinkWhateverTheCount)
{
    SimProcess a({"--persist"});
    SimProcess b({"--persist", "--model", "K420"});
    SimProcess silent({"--persist", "--no-reply"});
    TempDir dir;
    const std::string setup = "[Device]\npower=on\nosd=lock\n";
    const std::string badLine = "[Device]\npower=dim\n";
    // Comments are no limit; more than any set-up file is.
    const std::string commented = std::string(2048, ';') + "\n" + setup;
    const std::string huge = std::string((1 << 20) + 1, ';');
    const struct {
        const char* name;
        Args args;
        const std::string* input;
        int code;
        std::vector<std::string> lines;  // each object's keys and values, as printed, without "exit"/"link"
    } rows[] = {
        {"one link", {"--link", a.slavePath(), "model"}, nullptr, 0, {"\"model\":\"K410\""}},
        {"a failed link says why", {"--link", "/dev/lumivex-absent", "status"}, nullptr, 3,
         {"\"error\":\"/dev/lumivex-absent cannot be opened"}},
        {"set says it was verified", {"--link", a.slavePath(), "set", "power", "on"}, nullptr, 0,
         {"\"setting\":\"power\",\"value\":\"on\",\"verified\":true"}},
        {"apply - reads the pipe once for every link", {"--link", a.slavePath(), "--link", b.slavePath(), "apply", "-"},
         &setup, 0, {"\"result\":\"applied and verified\"", "\"result\":\"applied and verified\""}},
        {"a long commented file from a pipe, as /dev/stdin", {"--link", b.slavePath(), "apply", "/dev/stdin"},
         &commented, 0, {"\"result\":\"unchanged\""}},
        {"the pipe held as descriptor 0", {"--link", b.slavePath(), "apply", "/dev/fd/0"}, &setup, 0,
         {"\"result\":\"unchanged\""}},
        {"a bad line on stdin is named so", {"--link", a.slavePath(), "apply", "-"}, &badLine, 1,
         {"\"error\":\"" + a.slavePath() + ": stdin:2: bad value 'dim' for power"}},
        {"more than a set-up file: nothing runs", {"--link", a.slavePath(), "apply", "-"}, &huge, 1, {}},
        {"a link-less verb has a null link", {"ports"}, nullptr, 0, {"\"link\":null"}},
        {"unverified, when asked", {"--no-verify", "--link", silent.slavePath(), "set", "power", "on"}, nullptr, 0,
         {"\"verified\":false"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Args args{"--ini", (dir / "ZEPTA.ini").string(), "--json"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const CtlRun run = runCtl(args, {}, row.input);
        EXPECT_EQ(run.exitCode, row.code) << run.err;
        std::vector<std::string> lines;
        std::istringstream out(run.out);
        for (std::string line; std::getline(out, line);)
            lines.push_back(line);
        ASSERT_EQ(lines.size(), row.lines.size()) << run.out;
        for (size_t i = 0; i < lines.size(); ++i) {
            const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(lines[i])).object();
            EXPECT_TRUE(object.contains("link") && object.contains("exit")) << lines[i];
            EXPECT_EQ(object.contains("error"), object["exit"].toInt() != 0) << lines[i];
            EXPECT_NE(lines[i].find(row.lines[i]), std::string::npos) << lines[i];
        }
    }
}

}  // namespace
