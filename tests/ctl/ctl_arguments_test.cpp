// lumivex-ctl's command line, in-process: one row a convention a script
// relies on, each to what it parses to (its refusals are ctl_refusals_test's).

#include "lumivex-ctl/ctl_arguments.h"
#include "control/outcome.h"
#include "lumivex-ctl/verb_table.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace lumivex::ctl;
using namespace lumivex::control;
using lumivex::testing::TempDir;

namespace {

struct ArgumentRow {
    const char* name;
    std::vector<std::string> args;  // {dir}: the row's folder
    int code;                       // -1: parsed
    const char* refusal;            // the usage line, exactly
    std::function<void(const Request&)> check;
};

QString text(const char* s)
{
    return QString::fromLatin1(s);
}

const ArgumentRow kRows[] = {
    {"-h is help", {"-h"}, kExitOk, "", nullptr},
    {"-V is the version", {"status", "-V"}, kExitOk, "", nullptr},
    {"the mask options are long only", {"--link", "ddc", "set", "mask", "on", "--h", "5", "--v", "1"}, -1, "",
     [](const Request& r) { EXPECT_EQ(r.mask.h, 5.f); EXPECT_EQ(r.mask.v, 1.f); }},
    {"sizes with blanks and a point", {"--link", "ddc", "set", "mask", "on", "--bezel", "12.5, 10", "--viewable", ".5,0"},
     -1, "", [](const Request& r) {
         EXPECT_EQ(r.mask.bezel, std::make_pair(12.5, 10.0));
         EXPECT_EQ(r.mask.viewable, std::make_pair(0.5, 0.0));
         EXPECT_FALSE(r.mask.h);
     }},
    {"a negative number is an argument", {"--link", "ddc", "set", "layout", "-1"}, -1, "",
     [](const Request& r) { EXPECT_EQ(r.args, QStringList({"layout", "-1"})); }},
    {"what ports prints, in any case", {"--link", "ddc2bi", "--link", "com3", "--link", "/dev/ttyUSB0", "status"}, -1,
     "", [](const Request& r) {
         ASSERT_EQ(r.links.size(), 3u);
         EXPECT_TRUE(r.links[0].ddc);
         EXPECT_EQ(r.links[0].id, text("ddc"));
         EXPECT_EQ(r.links[1].name, text("COM3"));
         EXPECT_EQ(r.links[2].name, text("/dev/ttyUSB0"));
     }},
    {"two monitors of one library", {"--link", "ddc:1", "--link", "ddc", "status"}, -1, "", [](const Request& r) {
         ASSERT_EQ(r.links.size(), 2u);
         EXPECT_EQ(r.links[0].monitor, 1);
         EXPECT_EQ(r.links[0].id, text("ddc:1"));
         EXPECT_EQ(r.links[1].monitor, 0);
     }},
    {"--monitor with one ddc link", {"--link", "ddc", "--monitor", "2", "status"}, -1, "",
     [](const Request& r) { EXPECT_EQ(r.links.at(0).monitor, 2); }},
    {"ddc:0 is the first monitor", {"--link", "ddc:0", "status"}, -1, "", [](const Request& r) {
         EXPECT_EQ(r.links.at(0).monitor, 0);
         EXPECT_EQ(r.links.at(0).id, text("ddc"));
     }},
    {"a serial device server", {"--link", "rfc2217://10.0.0.5:4002", "--link", "tcp://[::1]:4001", "status"}, -1, "",
     [](const Request& r) {
         ASSERT_EQ(r.links.size(), 2u);
         EXPECT_FALSE(r.links[0].ddc);
         EXPECT_EQ(r.links[0].id, text("rfc2217://10.0.0.5:4002"));
         EXPECT_EQ(r.links[1].name, text("tcp://[::1]:4001"));
     }},
    {"a file of links", {"--links", "{dir}/room.txt", "--link", "COM9", "status"}, -1, "", [](const Request& r) {
         ASSERT_EQ(r.links.size(), 3u);
         EXPECT_EQ(r.links[0].id, text("COM9"));
         EXPECT_EQ(r.links[1].id, text("COM1"));
         EXPECT_EQ(r.links[2].id, text("ddc:1"));
     }},
    {"-- ends the options", {"--link", "ddc", "set", "layout", "--", "--h"}, -1, "",
     [](const Request& r) { EXPECT_EQ(r.args, QStringList({"layout", "--h"})); }},
};

class CtlArguments : public ::testing::TestWithParam<ArgumentRow> {};

}  // namespace

TEST_P(CtlArguments, ParseOrRefuseWithOneLine)
{
    const ArgumentRow& row = GetParam();
    TempDir dir;
    std::ofstream(dir / "room.txt") << "# the east wall\nCOM1\n\n  ddc:1  # the west wall\n";
    std::vector<std::string> args{"lumivex-ctl", "--ini", (dir / "ZEPTA.ini").string()};
    for (std::string arg : row.args) {
        if (const size_t at = arg.find("{dir}"); at != std::string::npos)
            arg.replace(at, 5, dir.path().string());
        args.push_back(arg);
    }
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // --help and --version print: what they print is not this table's.
    std::FILE* saved = stdout;
    stdout = std::fopen("/dev/null", "w");
    try {
        const Request r = parseArguments(int(args.size()), argv.data());
        std::fclose(stdout);
        stdout = saved;
        ASSERT_EQ(row.code, -1) << "parsed, not refused";
        if (row.check)
            row.check(r);
    } catch (const Failure& failure) {
        std::fclose(stdout);
        stdout = saved;
        EXPECT_EQ(failure.code, row.code);
        EXPECT_EQ(failure.line.toStdString(), row.refusal);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CtlArguments, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

// The options of a link go with every verb that opens one, and only those.
TEST(CtlOptionTable, LinkOptionsGoWithEveryVerbThatOpensALink)
{
    for (const VerbEntry& verb : verbTable())
        for (const char* option : {"link", "links", "monitor", "wait"})
            EXPECT_EQ(optionGoesWith(*findOption(QString::fromLatin1(option)), QString::fromLatin1(verb.name)),
                      verb.needsLink)
                << option << " with " << verb.name;
}
