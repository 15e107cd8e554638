#pragma once
// lumivex-ctl from the build's bin/, spawned and waited for, as the
// benchmarks time it: its stdout (and, when asked, stderr) to /dev/null.

#include "sim_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace lumivex::bench {

struct ChildRun {
    double ms = 0;
    long peakKiB = 0;  // the child's own peak resident size
    int exit = -1;     // -1: it did not start, or did not end by itself
};

inline ChildRun spawnCtl(const std::vector<std::string>& args, bool quietStderr)
{
    const std::string program = testing::binDir() + "/lumivex-ctl";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (quietStderr)
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int status = 0;
    rusage usage{};
    const bool spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (!spawned || wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;
    run.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace lumivex::bench
