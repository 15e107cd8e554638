#pragma once
// The scraper's and the checker's side of the metrics: curl and promtool as
// processes, spawned (not forked: a forked child running on the test's
// memory until exec leaves the thread checker blind to its locks).

#include "temp_dir.h"

#include <QByteArray>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace lumivex::testing {

struct ToolRun {
    int exit = -1;
    std::string output;  // stdout and stderr together
};

// Runs the program (found on PATH) with input on its stdin.
inline ToolRun runTool(std::vector<std::string> args, const std::string& input = {})
{
    TempDir dir;
    const std::string in = (dir / "in").string();
    const std::string out = (dir / "out").string();
    std::ofstream(in) << input;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    ToolRun run;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    std::ifstream result(out);
    run.output.assign(std::istreambuf_iterator<char>(result), {});
    return run;
}

// What `promtool check metrics` says of an exposition text; empty: it passes.
inline std::string promtoolProblems(const QByteArray& text)
{
    const ToolRun run = runTool({PROMTOOL, "check", "metrics"}, text.toStdString());
    return run.exit == 0 ? std::string() : "promtool: " + run.output;
}

// GET /metrics with curl: "STATUS CONTENT-TYPE", a line end, and the body.
inline QByteArray curlMetrics(int port)
{
    const ToolRun run = runTool({"curl", "-sS", "--max-time", "10", "-w", "\n%{http_code} %{content_type}",
                                 "http://127.0.0.1:" + std::to_string(port) + "/metrics"});
    const QByteArray out = QByteArray::fromStdString(run.output);
    const qsizetype end = out.lastIndexOf('\n');
    return out.mid(end + 1) + '\n' + out.left(end);
}

}  // namespace lumivex::testing
