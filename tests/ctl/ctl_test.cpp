// lumivex-ctl against zepta-sim and the simulated DDC/CI library, run as a
// process: what each verb puts on the line, its exit codes, the JSON
// status, and a set-up saved from one controller and applied to another.

#include "ctl_process.h"
#include "link/serial/serial.h"
#include "sim_process.h"
#include "temp_dir.h"
#include "vcp_writes.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

using Args = std::vector<std::string>;

// A frame with its checksum: all bytes add up to 0.
Bytes frame(Bytes bytes)
{
    uint8_t sum = 0;
    for (uint8_t b : bytes)
        sum = uint8_t(sum + b);
    bytes.push_back(uint8_t(0x100 - sum));
    return bytes;
}

struct VerbRow {
    Args verb;
    Bytes serial;  // the last frame zepta-sim receives
    unsigned vcp;  // the only VCP write under DDC/CI
    unsigned value;
};

// Each against a controller fresh from the factory (K410, everything 0).
const std::vector<VerbRow> kVerbRows{
    {{"set", "input", "dvi"}, frame({0x04, 0x1B, 0x02}), 0x60, 2},
    {{"set", "power", "off"}, frame({0x04, 0x1C, 0x00}), 0xD6, 0},
    {{"set", "osd", "lock"}, frame({0x04, 0x02, 0x01}), 0xFC, 1},
    {{"set", "rotation", "rotated"}, frame({0x04, 0x02, 0x03}), 0xFC, 3},
    {{"set", "gpo", "0101"}, frame({0x04, 0x05, 0x05}), 0xB3, 5},
    {{"set", "gpo", "3=on"}, frame({0x04, 0x05, 0x04}), 0xB3, 4},
    {{"set", "gpo", "4=on"}, frame({0x04, 0x05, 0x08}), 0xB3, 8},
    {{"set", "resolution", "1920x1080@60Hz"}, frame({0x05, 0x19, 0x08, 0x00}), 0xB0, 8},
    {{"set", "layout", "2x2"}, frame({0x05, 0x19, 0x00, 0x02}), 0xB1, 2},
    {{"set", "mask", "on", "--h", "1.5", "--v", "2"}, frame({0x07, 0x18, 0x00, 15, 20, 0x01}), 0xB2, 0x8000 | 15 << 8 | 20},
    // K410 masks half the bezel: 10/500 and 10/250 of a half.
    {{"set", "mask", "on", "--bezel", "10,10", "--viewable", "500,250"}, frame({0x07, 0x18, 0x00, 10, 20, 0x01}), 0xB2,
     0x8000 | 10 << 8 | 20},
    {{"set", "mask", "off"}, frame({0x07, 0x18, 0x00, 0, 0, 0x00}), 0xB2, 0},
    {{"identify"}, frame({0x05, 0x02, 0x04, 0x00}), 0xFB, 0},
    {{"auto-adjust"}, frame({0x04, 0x01, 0x00}), 0xEC, 1},
    {{"reset", "--yes"}, frame({0x04, 0x01, 0x01}), 0x04, 1},
};

Args withLink(const std::string& link, const std::filesystem::path& ini, Args verb)
{
    Args args{"--link", link, "--ini", ini.string()};
    args.insert(args.end(), verb.begin(), verb.end());
    return args;
}

std::string joined(const Args& args)
{
    std::string text;
    for (const std::string& a : args)
        text += a + " ";
    return text;
}

// The frames that change something: no read requests (commands 3, 4, 26).
std::vector<Bytes> settingFrames(const std::string& log)
{
    std::vector<Bytes> frames;
    for (const Bytes& f : loggedBytes(log, "rx"))
        if (!(f.size() == 4 && (f[1] == 3 || f[1] == 4 || f[1] == 26)))
            frames.push_back(f);
    return frames;
}

TEST(CtlVerbs, EachVerbSendsItsFrameOnTheSerialLineAndItsVcpWriteUnderDdc)
{
    TempDir dir;
    for (const VerbRow& row : kVerbRows) {
        SCOPED_TRACE(joined(row.verb));
        const std::string simLog = (dir / "sim.log").string();
        std::filesystem::remove(simLog);
        {
            SimProcess sim({"--persist", "--log", simLog});
            ASSERT_TRUE(sim.started());
            const CtlRun run = runCtl(withLink(sim.slavePath(), dir / "ZEPTA.ini", row.verb));
            ASSERT_EQ(run.exitCode, 0) << run.err;
            EXPECT_TRUE(waitUntil([&] {
                const std::vector<Bytes> frames = settingFrames(simLog);
                return frames.size() == 1 && frames[0] == row.serial;
            }, 2s));
        }
        const auto ddcLog = dir / "ddc.log";
        std::filesystem::remove(ddcLog);
        const CtlRun run = runCtl(withLink("ddc", dir / "ZEPTA.ini", row.verb),
                                  {{"ZEPTA_DDCHELPER", binDir() + "/libDDCHelper-sim.so"}, {"ZEPTA_SIM_LOG", ddcLog.string()}});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<std::pair<unsigned, unsigned>> expected{{row.vcp, row.value}};
        EXPECT_EQ(vcpWrites(ddcLog), expected);
    }
}

// "mask off" sends the tenths the controller holds, not the factory's.
TEST(CtlVerbs, MaskOffKeepsTheTenthsTheControllerHas)
{
    TempDir dir;
    const std::string simLog = (dir / "sim.log").string();
    SimProcess sim({"--persist", "--log", simLog});
    ASSERT_TRUE(sim.started());
    ASSERT_EQ(runCtl(withLink(sim.slavePath(), dir / "ZEPTA.ini", {"set", "mask", "on", "--h", "2.5", "--v", "1"}))
                  .exitCode,
              0);
    const CtlRun off = runCtl(withLink(sim.slavePath(), dir / "ZEPTA.ini", {"set", "mask", "off"}));
    ASSERT_EQ(off.exitCode, 0) << off.err;
    const std::vector<Bytes> expected{frame({0x07, 0x18, 0x00, 25, 10, 0x01}), frame({0x07, 0x18, 0x00, 25, 10, 0x00})};
    EXPECT_TRUE(waitUntil([&] { return settingFrames(simLog) == expected; }));
}

struct ExitRow {
    std::string what;
    Args sim;   // zepta-sim's options
    Args verb;
    int code;
    std::string stderrHas;
};

TEST(CtlExitCodes, UsageNoAnswerAndNoLinkEachHaveTheirCode)
{
    TempDir dir;
    const std::vector<ExitRow> rows{
        {"a value the setting does not take", {}, {"set", "power", "dim"}, 1, "set power takes off|on"},
        {"no verb", {}, {}, 1, "no verb"},
        {"reset without --yes touches nothing", {}, {"reset"}, 1, "add --yes"},
        {"a mask above 10 %", {}, {"set", "mask", "on", "--h", "12", "--v", "1"}, 1, "--h takes a percentage from 0 to 10"},
        {"a controller that never answers", {"--no-reply"}, {"status"}, 2, "did not answer"},
        {"silence is no model", {"--no-reply"}, {"model"}, 2, "did not answer the model query"},
        {"apply to a controller that never answers", {"--no-reply"}, {"apply", (dir / "setup.ini").string()}, 2,
         "did not answer"},
        {"the K420 has no GPIO", {"--model", "K420"}, {"set", "gpo", "0001"}, 1, "K420 has no GPIO"},
        {"the K420 has only the DVI input", {"--model", "K420"}, {"set", "input", "vga"}, 1, "K420 has no vga"},
    };
    std::ofstream(dir / "setup.ini") << "[Device]\npower=on\n";
    for (const ExitRow& row : rows) {
        SCOPED_TRACE(row.what);
        Args simArgs{"--persist", "--log", (dir / "sim.log").string()};
        simArgs.insert(simArgs.end(), row.sim.begin(), row.sim.end());
        std::filesystem::remove(dir / "sim.log");
        SimProcess sim(simArgs);
        ASSERT_TRUE(sim.started());
        // A controller meant to stay silent is given a short wait.
        const bool silent = std::find(row.sim.begin(), row.sim.end(), "--no-reply") != row.sim.end();
        const CtlRun run = runCtl(withLink(sim.slavePath(), dir / "ZEPTA.ini", row.verb),
                                  {{"ZEPTA_REPLY_WAIT_MS", std::to_string((silent ? kSilentDeviceWait
                                                                                  : kGenerousReplyWait).count())}});
        EXPECT_EQ(run.exitCode, row.code);
        EXPECT_NE(run.err.find(row.stderrHas), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        if (row.code == 1) {
            EXPECT_TRUE(settingFrames((dir / "sim.log").string()).empty());
        }
    }
}

// The reply wait: --wait over ZEPTA_REPLY_WAIT_MS over ZEPTA.ini, each
// refused with its reason; an answer later than the wait is none.
TEST(CtlReplyWait, TheWaitChosenDecidesWhetherASlowControllerAnswers)
{
    struct Row {
        std::string what;
        Args sim;
        Args verb;
        std::string variable;  // ZEPTA_REPLY_WAIT_MS
        std::string iniWait;   // [Link] Reply Wait ms
        int code;
        std::string err;
    };
    const std::string refused = "lumivex-ctl: warning: ZEPTA_REPLY_WAIT_MS: 'abc' is not a whole number of "
                                "milliseconds from 1 to 60000; it is not used\n";
    const std::vector<Row> rows{
        {"--wait out of range", {}, {"--wait", "0", "model"}, "5000", "", 1,
         "lumivex-ctl: --wait: 0 is out of range: give a whole number of milliseconds from 1 to 60000\n"},
        {"an answer later than --wait is none", {"--delay", "1000"}, {"--wait", "20", "model"}, "5000", "", 2,
         "lumivex-ctl: {link}: the device did not answer the model query\n"},
        {"--wait over the variable", {"--delay", "200"}, {"--wait", "5000", "model"}, "20", "", 0, ""},
        {"a refused variable gives way to the file", {"--delay", "200"}, {"model"}, "abc", "5000", 0, refused},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        if (!row.iniWait.empty())
            std::ofstream(dir / "ZEPTA.ini") << "[Link]\nReply Wait ms=" << row.iniWait << "\n";
        Args simArgs{"--persist"};
        simArgs.insert(simArgs.end(), row.sim.begin(), row.sim.end());
        SimProcess sim(simArgs);
        ASSERT_TRUE(sim.started());
        const CtlRun run =
            runCtl(withLink(sim.slavePath(), dir / "ZEPTA.ini", row.verb), {{"ZEPTA_REPLY_WAIT_MS", row.variable}});
        EXPECT_EQ(run.exitCode, row.code) << run.err;
        std::string err = row.err;
        if (const size_t at = err.find("{link}"); at != std::string::npos)
            err.replace(at, 6, sim.slavePath());
        EXPECT_EQ(run.err, err);
        if (row.code == 0) {
            EXPECT_EQ(run.out, "K410\n");
        }
    }
}

TEST(CtlExitCodes, APortHeldByAnotherProgramIsReportedAtOnceAndAnAbsentOneToo)
{
    TempDir dir;
    SimProcess sim({"--persist"});
    ASSERT_TRUE(sim.started());
    {
        // Held as a running panel holds it.
        CSerial panel;
        ASSERT_EQ(panel.open(sim.slavePath().c_str()), 0);
        const CtlRun run = runCtl(withLink("COM5", dir / "ZEPTA.ini", {"set", "power", "on"}),
                                  {{"ZEPTA_COM5", sim.slavePath()}});
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_EQ(run.err, "lumivex-ctl: COM5 is in use by another program\n");
        EXPECT_LT(run.took, 1s);
    }
    // Free again, the same name works.
    EXPECT_EQ(runCtl(withLink("COM5", dir / "ZEPTA.ini", {"status"}), {{"ZEPTA_COM5", sim.slavePath()}}).exitCode, 0);
    EXPECT_EQ(runCtl(withLink("/dev/lumivex-absent", dir / "ZEPTA.ini", {"status"})).exitCode, 3);
}

TEST(CtlStatus, JsonParsesBackWithTheDeviceStateAndTheSizes)
{
    TempDir dir;
    SimProcess sim({"--persist", "--gpi", "9"});
    ASSERT_TRUE(sim.started());
    for (const Args& verb : {Args{"set", "input", "component"}, Args{"set", "gpo", "0110"},
                             Args{"set", "mask", "on", "--bezel", "10,10", "--viewable", "500,250"}})
        ASSERT_EQ(runCtl(withLink(sim.slavePath(), dir / "ZEPTA.ini", verb)).exitCode, 0);
    const CtlRun run = runCtl(withLink(sim.slavePath(), dir / "ZEPTA.ini", {"status", "--json"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty());
    QJsonParseError error;
    const QJsonObject status = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out;
    EXPECT_EQ(status["model"].toString(), "K410");
    EXPECT_EQ(status["layout"]["label"].toString(), "1x1");
    EXPECT_EQ(status["input"].toString(), "component");
    EXPECT_EQ(status["power"].toString(), "on");
    EXPECT_EQ(status["gpi"].toString(), "1001");
    EXPECT_EQ(status["gpo"].toString(), "0110");
    EXPECT_TRUE(status["mask"]["on"].toBool());
    EXPECT_EQ(status["mask"]["hTenths"].toInt(), 10);
    EXPECT_EQ(status["mask"]["vTenths"].toInt(), 20);
    EXPECT_EQ(status["sizes"]["viewableHeight"].toDouble(), 250.0);
}

// Each verb that needs the model asks it once, however many rules use it.
TEST(CtlModel, AskedOnceARunOnTheSerialLine)
{
    TempDir dir;
    std::ofstream(dir / "setup.ini") << "[Device]\ninput=vga\ngpo=0001\nlayout=2x2\n";
    for (const Args& verb : {Args{"set", "input", "vga"}, Args{"set", "gpo", "1=on"}, Args{"status"},
                             Args{"apply", (dir / "setup.ini").string()}}) {
        SCOPED_TRACE(joined(verb));
        const std::string log = (dir / "sim.log").string();
        std::filesystem::remove(log);
        SimProcess sim({"--persist", "--log", log});
        ASSERT_TRUE(sim.started());
        const CtlRun run = runCtl(withLink(sim.slavePath(), dir / "ZEPTA.ini", verb));
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::vector<Bytes> received = loggedBytes(log, "rx");
        EXPECT_EQ(std::count_if(received.begin(), received.end(),
                                [](const Bytes& f) { return f.size() == 4 && f[1] == 26; }),
                  1);
    }
}

TEST(CtlSetup, SavedFromOneControllerAppliedToAnotherBothEndAlike)
{
    TempDir dir;
    SimProcess a({"--persist"});
    SimProcess b({"--persist", "--log", (dir / "b.log").string()});
    ASSERT_TRUE(a.started() && b.started());
    const auto ctl = [&](const std::string& link, const std::string& ini, const Args& verb) {
        return runCtl(withLink(link, dir / ini, verb));
    };
    for (const Args& verb :
         {Args{"set", "input", "dvi"}, Args{"set", "osd", "lock"}, Args{"set", "rotation", "rotated"},
          Args{"set", "gpo", "1010"}, Args{"set", "layout", "Mode2"}, Args{"set", "resolution", "6"},
          Args{"set", "mask", "on", "--bezel", "12,8", "--viewable", "600,300"}, Args{"set", "power", "off"}})
        ASSERT_EQ(ctl(a.slavePath(), "a.ini", verb).exitCode, 0) << joined(verb);
    const std::string setup = (dir / "setup.ini").string();
    ASSERT_EQ(ctl(a.slavePath(), "a.ini", {"save", setup}).exitCode, 0);
    ASSERT_NE(ctl(a.slavePath(), "a.ini", {"status"}).out, ctl(b.slavePath(), "b.ini", {"status"}).out);

    const CtlRun applied = ctl(b.slavePath(), "b.ini", {"apply", setup});
    EXPECT_EQ(applied.exitCode, 0) << applied.err;
    EXPECT_EQ(applied.out, "applied and verified\n");
    EXPECT_EQ(ctl(a.slavePath(), "a.ini", {"status"}).out, ctl(b.slavePath(), "b.ini", {"status"}).out);

    // Again: nothing differs, so nothing but read requests goes out.
    const size_t sent = settingFrames((dir / "b.log").string()).size();
    EXPECT_EQ(ctl(b.slavePath(), "b.ini", {"apply", setup}).exitCode, 0);
    EXPECT_EQ(settingFrames((dir / "b.log").string()).size(), sent);
}

TEST(CtlSetup, ABadValueNamesItsLineAndAFieldThatDoesNotTakeIsReported)
{
    TempDir dir;
    SimProcess sim({"--persist", "--log", (dir / "sim.log").string()});
    ASSERT_TRUE(sim.started());
    const std::string bad = (dir / "bad.ini").string();
    std::ofstream(bad) << "[Device]\ninput=dvi\n\n; off or on\npower=dim\n";
    const CtlRun run = runCtl(withLink(sim.slavePath(), dir / "ZEPTA.ini", {"apply", bad}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "lumivex-ctl: " + bad + ":5: bad value 'dim' for power: off or on\n");
    EXPECT_TRUE(settingFrames((dir / "sim.log").string()).empty());

    // Sizes go to ZEPTA.ini: a folder in its place is refused before
    // anything reaches the controller.
    const std::string sizes = (dir / "sizes.ini").string();
    std::ofstream(sizes) << "[Device]\ninput=dvi\n[Sizes]\nbezel width=12.5\n";
    std::filesystem::create_directory(dir / "blocked");
    const size_t framesBefore = settingFrames((dir / "sim.log").string()).size();
    const CtlRun missed = runCtl(withLink(sim.slavePath(), dir / "blocked", {"apply", sizes}));
    EXPECT_EQ(missed.exitCode, 1);
    EXPECT_EQ(missed.err, "lumivex-ctl: --ini: " + (dir / "blocked").string() + " is not a regular file\n");
    EXPECT_EQ(settingFrames((dir / "sim.log").string()).size(), framesBefore);
}

}  // namespace
