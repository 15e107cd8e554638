// lumivex-ctl as a process on the real DDC/CI stack: the real plugin over
// the real libddcutil, talking to emulated monitors. What each verb writes
// on the bus, what status reads, a set-up saved and applied again, and the
// faults a monitor can have, each with its own line and exit code.

#include "ctl_process.h"
#include "emulated_monitors.h"
#include "temp_dir.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <sstream>

using namespace lumivex::testing;

namespace {

using Args = std::vector<std::string>;
using Fields = std::vector<std::pair<std::string, std::string>>;

const std::string kK410 = "bus=3 model=K410";

// {dir} in an argument is the row's own folder.
Args inFolder(Args args, const TempDir& dir)
{
    for (std::string& a : args) {
        if (const size_t at = a.find("{dir}"); at != std::string::npos)
            a.replace(at, 5, dir.path().string());
    }
    return args;
}

CtlRun ctl(const EmulatedMonitors& monitors, const TempDir& dir, const Args& verb)
{
    Args args{"--link", "ddc", "--ini", (dir / "ZEPTA.ini").string()};
    const Args given = inFolder(verb, dir);
    args.insert(args.end(), given.begin(), given.end());
    // Under the sanitizers, lumivex-ctl over libddcutil has now and then
    // reported 252 bytes inside QtCore at exit while other tests ran beside
    // it; leaks stay checked in every other test of the tool.
    auto environment = monitors.environment();
    const char* asan = std::getenv("ASAN_OPTIONS");
    environment.emplace_back("ASAN_OPTIONS", (asan && *asan ? std::string(asan) + ":" : std::string()) + "detect_leaks=0");
    return runCtl(args, environment);
}

// A field of a JSON object by its dotted path, as text ("true", "15", "K410").
std::string field(const QJsonObject& object, const std::string& path)
{
    QJsonValue value = object;
    for (const QString& key : QString::fromStdString(path).split('.'))
        value = value.toObject().value(key);
    if (value.isBool())
        return value.toBool() ? "true" : "false";
    if (value.isDouble())
        return QString::number(value.toDouble()).toStdString();
    return value.isString() ? value.toString().toStdString() : "<absent or null>";
}

struct StackRow {
    std::string name;
    std::vector<std::string> buses;
    std::vector<Args> before;        // verbs that give the device its state first
    Args verb;
    std::vector<std::string> sets;   // the writes the verb makes, exactly, in order
    std::string out;                 // stdout, unless json is given
    Fields json;                     // stdout is one JSON document with these fields
    std::string saved;               // {dir}/setup.ini holds this line
};

// A row whose verb makes one write and prints nothing.
StackRow writes(std::string name, std::vector<std::string> buses, std::vector<Args> before, Args verb, std::string set)
{
    return {std::move(name), std::move(buses), std::move(before), std::move(verb), {std::move(set)}, "", {}, ""};
}

void PrintTo(const StackRow& row, std::ostream* os)
{
    *os << row.name;
}

class CtlOnRealDdc : public ::testing::TestWithParam<StackRow> {};

TEST_P(CtlOnRealDdc, TheVerbWritesExactlyItsCodeAndValueAndReadsWhatTheMonitorHolds)
{
    const StackRow& row = GetParam();
    TempDir dir;
    EmulatedMonitors monitors(row.buses);
    for (const Args& verb : row.before) {
        const CtlRun step = ctl(monitors, dir, verb);
        ASSERT_EQ(step.exitCode, 0) << step.err;
    }
    const size_t earlier = monitors.logged(" set ").size();

    const CtlRun run = ctl(monitors, dir, row.verb);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> sets = monitors.logged(" set ");
    EXPECT_EQ(std::vector<std::string>(sets.begin() + std::min(earlier, sets.size()), sets.end()), row.sets);
    if (row.json.empty()) {
        EXPECT_EQ(run.out, row.out);
    } else {
        // Anything else on stdout (a library's chatter) spoils the document.
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << run.out;
        ASSERT_TRUE(document.isObject()) << run.out;
        for (const auto& [path, value] : row.json)
            EXPECT_EQ(field(document.object(), path), value) << path;
    }
    if (!row.saved.empty()) {
        std::ifstream file(dir / "setup.ini");
        std::stringstream text;
        text << file.rdbuf();
        EXPECT_NE(text.str().find("\n" + row.saved + "\n"), std::string::npos) << text.str();
    }
}

// Each on a monitor fresh from the factory (K410: everything 0, power on).
// Values with distinct high and low bytes catch a plugin that swaps them.
INSTANTIATE_TEST_SUITE_P(
    Rows, CtlOnRealDdc,
    ::testing::Values(
        StackRow{"StatusJson",
                 {kK410 + " gpi=9"},
                 {{"set", "input", "component"},
                  {"set", "gpo", "0110"},
                  {"set", "mask", "on", "--h", "1.5", "--v", "2"}},
                 {"status", "--json"},
                 {},
                 "",
                 {{"model", "K410"}, {"input", "component"}, {"power", "on"}, {"gpi", "1001"}, {"gpo", "0110"},
                  {"mask.on", "true"}, {"mask.hTenths", "15"}, {"mask.vTenths", "20"}},
                 ""},
        writes("InputComponent", {kK410}, {}, {"set", "input", "component"}, "i2c-3 set 0x60 0x0001: applied"),
        writes("MaskOnTenthsHighAndLow", {kK410}, {}, {"set", "mask", "on", "--h", "1.5", "--v", "2"},
               "i2c-3 set 0xB2 0x8F14: applied"),
        // The tenths are read from the monitor and sent back, not zeroed.
        writes("MaskOffKeepsTheTenthsItReads", {kK410}, {{"set", "mask", "on", "--h", "2.5", "--v", "1"}},
               {"set", "mask", "off"}, "i2c-3 set 0xB2 0x190A: applied"),
        writes("Layout2x2", {kK410}, {}, {"set", "layout", "2x2"}, "i2c-3 set 0xB1 0x0002: applied"),
        // One output on, the others as read from the monitor.
        writes("OneGpoKeepsTheOthers", {kK410}, {{"set", "gpo", "0001"}}, {"set", "gpo", "4=on"},
               "i2c-3 set 0xB3 0x0009: applied"),
        writes("Identify", {kK410}, {}, {"identify"}, "i2c-3 set 0xFB 0x0000: applied"),
        writes("FactoryReset", {kK410}, {}, {"reset", "--yes"}, "i2c-3 set 0x04 0x0001: applied"),
        writes("PowerOff", {kK410}, {}, {"set", "power", "off"}, "i2c-3 set 0xD6 0x0000: applied"),
        writes("SecondMonitorIsWritten", {kK410, "bus=4 model=K420"}, {}, {"--monitor", "1", "set", "layout", "3x3"},
               "i2c-4 set 0xB1 0x0004: applied"),
        // A model without GPIO may refuse its code: nothing it shows is missing.
        StackRow{"GpioRefusedByAModelWithout", {"bus=3 model=K420 unsupported=0xB3"}, {}, {"status", "--json"}, {}, "",
                 {{"model", "K420"}, {"gpo", "<absent or null>"}}, ""},
        // A K420 has no GPIO to show, so the second is the K410.
        StackRow{"SecondMonitorIsRead", {"bus=3 model=K420", "bus=4 model=K410 gpi=5"}, {},
                 {"--monitor", "1", "status", "--json"}, {}, "", {{"model", "K410"}, {"gpi", "0101"}}, ""},
        // Saved, reset, applied: only what the reset changed is written back.
        StackRow{"SaveResetApply",
                 {kK410},
                 {{"set", "layout", "2x2"}, {"set", "mask", "on", "--h", "1.5", "--v", "2"}, {"set", "gpo", "0110"},
                  {"save", "{dir}/setup.ini"}, {"reset", "--yes"}},
                 {"apply", "{dir}/setup.ini"},
                 {"i2c-3 set 0xB1 0x0002: applied", "i2c-3 set 0xB2 0x8F14: applied",
                  "i2c-3 set 0xB3 0x0006: applied"},
                 "applied and verified\n",
                 {},
                 "gpo=0110"}),
    [](const ::testing::TestParamInfo<StackRow>& info) { return info.param.name; });

struct FaultRow {
    std::string name;
    std::vector<std::string> buses;
    Args verb;
    int code;
    std::string err;
};

void PrintTo(const FaultRow& row, std::ostream* os)
{
    *os << row.name;
}

class CtlRealDdcFault : public ::testing::TestWithParam<FaultRow> {};

// runCtl kills a run that outlasts its ceiling: a hang reads as exit -1.
TEST_P(CtlRealDdcFault, EndsWithItsOwnLineAndCodeAndWritesNothing)
{
    const FaultRow& row = GetParam();
    TempDir dir;
    EmulatedMonitors monitors(row.buses);
    const CtlRun run = ctl(monitors, dir, row.verb);
    EXPECT_EQ(run.exitCode, row.code);
    // One line that starts with the row's text.
    EXPECT_EQ(run.err.substr(0, row.err.size()), row.err) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.back(), '\n');
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(monitors.logged(" set "), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CtlRealDdcFault,
    ::testing::Values(
        // Followed by the next step for this machine's /dev/i2c-*.
        FaultRow{"NoMonitorAnswersDdc", {"bus=3 ddc=nak"}, {"status"}, 3,
                 "lumivex-ctl: DDC/CI: no monitor 0 (0 found)"},
        // The library's status, by number and by name.
        FaultRow{"BadChecksumOnTheMaskCode", {kK410 + " bad-checksum=0xB2"}, {"status"}, 2,
                 "lumivex-ctl: DDC/CI: VCP 0xB2 could not be read (status -"},
        // Without the tenths read, mask off would zero them: nothing is sent.
        FaultRow{"MaskOffWithoutTheTenths", {kK410 + " bad-checksum=0xB2"}, {"set", "mask", "off"}, 2,
                 "lumivex-ctl: DDC/CI: VCP 0xB2 could not be read (status -"},
        // Which share of the bezel is masked depends on the model: a model the
        // controller does not name gives no mask from the sizes.
        FaultRow{"SizesWithAnUnknownModel", {kK410 + " code=0xF8:0xF802:0xFFFF"},
                 {"set", "mask", "on", "--bezel", "10,10", "--viewable", "400,300"}, 1,
                 "lumivex-ctl: the model is unknown, so the sizes give no mask; give --h and --v instead\n"},
        // A model with GPIO shows its bits: a refused read is no bits.
        FaultRow{"GpioRefusedByAModelWith", {kK410 + " unsupported=0xB3"}, {"status"}, 2,
                 "lumivex-ctl: DDC/CI: VCP 0xB3 could not be read (status -"},
        // A refused power read is never shown as "off"; libddcutil names its status.
        FaultRow{"PowerCodeRefused", {kK410 + " unsupported=0xD6"}, {"status"}, 2,
                 "lumivex-ctl: DDC/CI: VCP 0xD6 could not be read (status -3005, DDCRC_REPORTED_UNSUPPORTED)\n"},
        // Not ready for longer than any run, however busy the machine.
        FaultRow{"SlowMonitorAnswersNull", {kK410 + " delay-ms=60000"}, {"set", "input", "dvi"}, 3,
                 "lumivex-ctl: DDC/CI: monitor 0 does not answer"},
        // The panel's bare "Check DDC Port Fail" becomes the read and its status.
        FaultRow{"ProbeReadRefused", {kK410 + " unsupported=0xB0"}, {"status"}, 3,
                 "lumivex-ctl: DDC/CI: monitor 0 does not answer: VCP 0xB0 could not be read (status -3005, "
                 "DDCRC_REPORTED_UNSUPPORTED); check that DDC/CI is on in its menu\n"},
        FaultRow{"NoSecondMonitor", {kK410}, {"--monitor", "1", "status"}, 3,
                 "lumivex-ctl: DDC/CI: no monitor 1 (1 found)"}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return info.param.name; });

}  // namespace
