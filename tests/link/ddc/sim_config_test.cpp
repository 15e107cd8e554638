#include "sim/plugin/sim_config.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

std::map<std::string, std::string> g_env;

char* lookup(const char* name)
{
    const auto it = g_env.find(name);
    return it == g_env.end() ? nullptr : it->second.data();
}

}  // namespace

TEST(SimConfig, ReadsModelMonitorsAndInitErrorFromTheEnvironment)
{
    struct Case {
        std::map<std::string, std::string> env;
        lumivex::device::Model model;
        int monitors;
        int32_t initError;
        bool problem;
    };
    using lumivex::device::Model;
    const Case cases[] = {
        {{}, Model::K410, 1, 0, false},
        {{{"ZEPTA_SIM_MODEL", "K420"}, {"ZEPTA_SIM_MONITORS", "0"}}, Model::K420, 0, 0, false},
        {{{"ZEPTA_SIM_MONITORS", "12"}, {"ZEPTA_SIM_INIT_ERROR", "31"}}, Model::K410, 12, 31, false},
        {{{"ZEPTA_SIM_INIT_ERROR", "0x7E"}}, Model::K410, 1, 0x7E, false},
        {{{"ZEPTA_SIM_INIT_ERROR", "-1"}}, Model::K410, 1, -1, false},
        {{{"ZEPTA_SIM_MODEL", "K999"}}, Model::K410, 1, 0, true},
        {{{"ZEPTA_SIM_MONITORS", "many"}}, Model::K410, 1, 0, true},
        {{{"ZEPTA_SIM_MONITORS", "-2"}}, Model::K410, 1, 0, true},
        {{{"ZEPTA_SIM_INIT_ERROR", "31x"}}, Model::K410, 1, 0, true},
    };
    for (const Case& c : cases) {
        g_env = c.env;
        SCOPED_TRACE(testing::Message() << "case with " << c.env.size() << " variables, monitors " << c.monitors);
        const auto config = lumivex::sim::readSimConfig(&lookup);
        EXPECT_EQ(config.model, c.model);
        EXPECT_EQ(config.monitors, c.monitors);
        EXPECT_EQ(config.initError, c.initError);
        EXPECT_EQ(!config.problems.empty(), c.problem) << config.problems;
    }
}

TEST(SimConfig, TheCallLogIsNamedByZeptaSimLog)
{
    g_env = {{"ZEPTA_SIM_LOG", "/tmp/calls.log"}};
    EXPECT_EQ(lumivex::sim::readSimConfig(&lookup).logPath, "/tmp/calls.log");
    g_env = {};
    EXPECT_TRUE(lumivex::sim::readSimConfig(&lookup).logPath.empty());
}
