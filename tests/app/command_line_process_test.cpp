// lumivex --help and --version answer with no display at all (an ssh
// session, a package check): nothing may open one before they are handled;
// the panel itself, with none, says so in one line.

#include "sim_process.h"
#include "temp_dir.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

struct PanelRun {
    int exitCode = -1;  // 137: killed at the time-out ceiling
    std::string out;
    std::string err;
};

// bin/lumivex with the arguments (plain words), every way to a display
// taken out of the environment.
PanelRun runPanel(const std::vector<std::string>& args)
{
    lumivex::testing::TempDir dir;
    std::string command = "timeout -s KILL 30 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '"
                          + lumivex::testing::binDir() + "/lumivex'";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    command += " </dev/null 2>'" + (dir / "err").string() + "'";
    PanelRun run;
    FILE* out = popen(command.c_str(), "r");
    if (!out)
        return run;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, out)) > 0;)
        run.out.append(buffer, n);
    const int status = pclose(out);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::stringstream err;
    err << std::ifstream(dir / "err").rdbuf();
    run.err = err.str();
    return run;
}

}  // namespace

TEST(CommandLine, HelpAndVersionNeedNoDisplayAndAnythingElseIsRefusedInOneLine)
{
    struct Row {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::string outHas;  // empty: nothing on stdout
        std::string errHas;  // empty: nothing on stderr
    };
    const Row rows[] = {
        {"help", {"--help"}, 0, "ZEPTA_DDCHELPER ", ""},
        {"help tells this run's file", {"-h"}, 0, "This run: /", ""},
        {"version", {"--version"}, 0, "lumivex " LUMIVEX_VERSION "\n", ""},
        {"version, short", {"-V"}, 0, "lumivex " LUMIVEX_VERSION "\n", ""},
        {"the panel with no display", {}, 1, "", "lumivex: no display could be opened: "},
        {"a Qt option's value is not ours to refuse", {"-platform", "offscreen", "--version"}, 0, "lumivex ", ""},
        {"unknown option", {"--frobnicate", "--help"}, 1, "", "lumivex: unknown option '--frobnicate'"},
        {"stray argument", {"COM1"}, 1, "", "lumivex: unexpected argument 'COM1'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PanelRun run = runPanel(row.args);
        EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
        if (row.outHas.empty())
            EXPECT_EQ(run.out, "");
        else
            EXPECT_NE(run.out.find(row.outHas), std::string::npos) << run.out;
        if (row.errHas.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_EQ(run.err.rfind(row.errHas, 0), 0u) << run.err;
            EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        }
    }
}
