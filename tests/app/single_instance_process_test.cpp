// Two real lumivex processes: the second shows the instance message and ends
// without opening its window; the first keeps running.

#include "platform/instance_lock.h"
#include "temp_dir.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

using lumivex::testing::TempDir;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kPatience = std::chrono::seconds(30);

std::string binDir()
{
    const char* dir = std::getenv("LUMIVEX_BIN_DIR");
    return dir ? dir : ".";
}

std::string slurp(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

pid_t spawnPanel(const std::vector<std::string>& env, const std::filesystem::path& stdoutFile)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string program = binDir() + "/lumivex";
    std::vector<char*> argv{const_cast<char*>(program.c_str()), nullptr};
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

bool lockIsHeld(const std::filesystem::path& lockFile)
{
    const int fd = open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (!held)
        flock(fd, LOCK_UN);
    close(fd);
    return held;
}

// Waits for the process to end; false when it is still running at the deadline.
bool waitForExit(pid_t pid, int& status)
{
    const auto deadline = Clock::now() + kPatience;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

}  // namespace

TEST(SingleInstance, SecondProcessShowsTheMessageAndEndsWhileTheFirstRuns)
{
    TempDir dir;
    const std::vector<std::string> common = {
        "QT_QPA_PLATFORM=offscreen",
        "XDG_RUNTIME_DIR=" + dir.path().string(),
        "HOME=" + dir.path().string(),
        "ZEPTA_DDCHELPER=" + binDir() + "/libDDCHelper-sim.so",
    };
    auto withExtra = [&](std::initializer_list<std::string> extra) {
        std::vector<std::string> env = common;
        env.insert(env.end(), extra);
        return env;
    };

    const pid_t first = spawnPanel(withExtra({"ZEPTA_MESSAGE_LOG=" + (dir / "first.log").string()}),
                                   dir / "first.out");
    ASSERT_GT(first, 0);
    const auto lockFile = dir.path() / "RunOnlyOneInstance.lock";
    const auto deadline = Clock::now() + kPatience;
    int status = 0;
    while (!lockIsHeld(lockFile) && Clock::now() < deadline) {
        ASSERT_EQ(waitpid(first, &status, WNOHANG), 0) << "the first copy ended early";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(lockIsHeld(lockFile));

    // Were its window to open, the second copy would print "shown" and end.
    const pid_t second = spawnPanel(withExtra({"ZEPTA_MESSAGE_LOG=" + (dir / "second.log").string(),
                                               "ZEPTA_EXIT_WHEN_SHOWN=1"}),
                                    dir / "second.out");
    ASSERT_GT(second, 0);
    const bool secondEnded = waitForExit(second, status);
    if (!secondEnded)
        kill(second, SIGKILL);
    EXPECT_TRUE(secondEnded);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(slurp(dir / "second.log"), "info\tLumivex is running,ERROR OPEN\n");
    EXPECT_EQ(slurp(dir / "second.out"), "");

    EXPECT_EQ(waitpid(first, &status, WNOHANG), 0) << "the first copy was disturbed";
    EXPECT_TRUE(lockIsHeld(lockFile));
    kill(first, SIGTERM);
    ASSERT_TRUE(waitForExit(first, status));
    EXPECT_EQ(slurp(dir / "first.log"), "");  // the first copy never showed a box
    EXPECT_FALSE(lockIsHeld(lockFile));       // released with the process
}
