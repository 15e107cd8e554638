#include "ctl_process.h"

#include "sim_process.h"
#include "temp_dir.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>
#include <thread>

extern char** environ;

namespace lumivex::testing {

namespace {

std::string slurp(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

CtlRun runCommand(const std::vector<std::string>& wrapper, const std::vector<std::string>& args,
                  const std::vector<std::pair<std::string, std::string>>& env, const std::string* stdinText);

}  // namespace

CtlRun runCtl(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env,
              const std::string* stdinText)
{
    return runCommand({}, args, env, stdinText);
}

CtlRun runCtlThrough(const std::vector<std::string>& wrapper, const std::vector<std::string>& args,
                     const std::vector<std::pair<std::string, std::string>>& env)
{
    return runCommand(wrapper, args, env, nullptr);
}

namespace {

CtlRun runCommand(const std::vector<std::string>& wrapper, const std::vector<std::string>& args,
                  const std::vector<std::pair<std::string, std::string>>& env, const std::string* stdinText)
{
    TempDir dir;
    const std::string ctl = binDir() + "/lumivex-ctl";
    const std::string program = wrapper.empty() ? ctl : wrapper.front();
    const std::string outPath = (dir / "out").string();
    const std::string errPath = (dir / "err").string();
    // The caller's variables win; a run that names no reply wait gets a
    // generous one, as every test against an answering simulator should.
    std::vector<std::string> variables;
    std::set<std::string> named;
    for (const auto& [name, value] : env) {
        variables.push_back(name + "=" + value);
        named.insert(name);
    }
    if (named.insert("ZEPTA_REPLY_WAIT_MS").second)
        variables.push_back("ZEPTA_REPLY_WAIT_MS=" + std::to_string(kGenerousReplyWait.count()));
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        if (!named.count(entry.substr(0, entry.find('='))))
            variables.push_back(entry);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    if (!wrapper.empty()) {
        for (size_t i = 1; i < wrapper.size(); ++i)
            argv.push_back(const_cast<char*>(wrapper[i].c_str()));
        argv.push_back(const_cast<char*>(ctl.c_str()));
    }
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // A pipe, as a shell's `|` or `<(...)` gives: a writer thread fills it.
    const std::string fifo = (dir / "stdin").string();
    std::thread writer;
    if (stdinText && ::mkfifo(fifo.c_str(), 0600) == 0) {
        writer = std::thread([&fifo, stdinText] { std::ofstream(fifo) << *stdinText; });
        posix_spawn_file_actions_addopen(&actions, 0, fifo.c_str(), O_RDONLY, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    CtlRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        if (writer.joinable()) {
            // Nobody will read: open the reading end so the writer ends.
            const int unblock = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
            writer.join();
            ::close(unblock);
        }
        return run;
    }
    int status = 0;
    bool ended = waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; });
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    if (writer.joinable())
        writer.join();
    run.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    run.exitCode = ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    return run;
}

}  // namespace

}  // namespace lumivex::testing
