#include "sim/zepta-sim/sim_options.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace lumivex::sim;
using lumivex::device::Model;

// Every option taken is in the usage and in the man page's synopsis.
TEST(ZeptaSimOptions, EachOptionIsInTheUsageAndTheManPage)
{
    std::ifstream page(LUMIVEX_SOURCE_DIR "/man/zepta-sim.1");
    const std::string man{std::istreambuf_iterator<char>(page), {}};
    const std::string synopsis = man.substr(0, man.find(".SH DESCRIPTION"));
    ASSERT_FALSE(synopsis.empty());
    for (const std::string& name : simOptionNames()) {
        std::string roff;
        for (const char c : name)
            roff += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(std::string(kSimUsage).find(name), std::string::npos) << name;
        EXPECT_NE(synopsis.find(roff), std::string::npos) << name;
    }
}

TEST(ZeptaSimOptions, UnderstoodOptions)
{
    const auto parsed = parseSimOptions({"--model", "k420", "--gpi", "0x9", "--log=/tmp/x.log", "--no-reply",
                                         "--noise", "3", "--delay=250", "--persist", "--garble", "length"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const SimOptions& o = *parsed.options;
    EXPECT_EQ(o.model, Model::K420);
    EXPECT_EQ(o.gpiBits, 0x9);
    EXPECT_EQ(o.logPath, "/tmp/x.log");
    EXPECT_TRUE(o.noReply);
    EXPECT_EQ(o.noiseBytes, 3);
    EXPECT_EQ(o.delayMs, 250);
    EXPECT_TRUE(o.persist);
    EXPECT_EQ(o.garble, Garble::Length);

    const auto defaults = parseSimOptions({});
    ASSERT_TRUE(defaults.options);
    EXPECT_EQ(defaults.options->model, Model::K410);
    EXPECT_EQ(defaults.options->gpiBits, 0);
    EXPECT_FALSE(defaults.options->noReply);
    EXPECT_EQ(defaults.options->noiseBytes, 0);
    EXPECT_EQ(defaults.options->delayMs, 0);
    EXPECT_FALSE(defaults.options->persist);
}

TEST(ZeptaSimOptions, MistakesAreNamed)
{
    struct Case {
        std::vector<std::string> args;
        std::string mentions;
    };
    const Case cases[] = {
        {{"--model", "K430"}, "K410 or K420"},
        {{"--gpi", "16"}, "0..15"},
        {{"--gpi", "one"}, "0..15"},
        {{"--noise", "-1"}, "0..4096"},
        {{"--delay"}, "--delay needs"},
        {{"--delay", "5s"}, "milliseconds"},
        {{"--log", ""}, "a file name"},
        {{"--garble", "noisy"}, "truncate, length or high"},
        {{"--speed", "9600"}, "unknown option --speed"},
        {{"--no-reply=yes"}, "unknown option"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        const auto parsed = parseSimOptions(c.args);
        EXPECT_FALSE(parsed.options);
        EXPECT_NE(parsed.error.find(c.mentions), std::string::npos) << parsed.error;
    }
}
