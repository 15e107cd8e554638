#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace lumivex::testing {

namespace {

using Clock = std::chrono::steady_clock;

// The first line the child prints, or empty when none came in time.
std::string readFirstLine(int fd)
{
    std::string line;
    const auto deadline = Clock::now() + kSimPatience;
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        char c = 0;
        if (::read(fd, &c, 1) != 1)
            break;
        if (c == '\n')
            return line;
        line += c;
    }
    return {};
}

bool isHexByte(const std::string& token)
{
    return token.size() == 2 && std::isxdigit(static_cast<unsigned char>(token[0]))
           && std::isxdigit(static_cast<unsigned char>(token[1]));
}

}  // namespace

std::string binDir()
{
    const char* dir = std::getenv("LUMIVEX_BIN_DIR");
    return dir ? dir : ".";
}

bool waitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!predicate()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

SimProcess::SimProcess(const std::vector<std::string>& args)
{
    const std::string program = binDir() + "/zepta-sim";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int rc = posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (rc != 0) {
        m_pid = -1;
        ::close(out[0]);
        return;
    }
    m_slavePath = readFirstLine(out[0]);
    ::close(out[0]);
}

SimProcess::~SimProcess()
{
    if (m_pid > 0 && !m_reaped && !terminate()) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

std::optional<int> SimProcess::waitForExit(std::chrono::milliseconds limit)
{
    if (m_pid <= 0)
        return std::nullopt;
    std::optional<int> status;
    auto reaped = [&] {
        int raw = 0;
        if (waitpid(m_pid, &raw, WNOHANG) != m_pid)
            return false;
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return true;
    };
    if (m_reaped || !waitUntil(reaped, limit))
        return std::nullopt;
    m_reaped = true;
    return status;
}

std::optional<int> SimProcess::terminate()
{
    if (m_pid <= 0 || m_reaped)
        return std::nullopt;
    kill(m_pid, SIGTERM);
    return waitForExit();
}

PortClient::PortClient(const std::string& path)
    : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{
    termios raw{};
    if (m_fd >= 0 && tcgetattr(m_fd, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(m_fd, TCSANOW, &raw);
    }
}

PortClient::~PortClient()
{
    close();
}

void PortClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void PortClient::write(const Bytes& bytes)
{
    size_t done = 0;
    waitUntil([&] {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += size_t(n);
        return done == bytes.size() || (n < 0 && errno != EAGAIN);
    });
}

Bytes PortClient::read(size_t count, std::chrono::milliseconds limit)
{
    Bytes bytes;
    waitUntil(
        [&] {
            const Bytes more = readAvailable();
            bytes.insert(bytes.end(), more.begin(), more.end());
            return bytes.size() >= count;
        },
        limit);
    return bytes;
}

Bytes PortClient::readAvailable()
{
    Bytes bytes(4096);
    const ssize_t n = m_fd >= 0 ? ::read(m_fd, bytes.data(), bytes.size()) : -1;
    bytes.resize(n > 0 ? size_t(n) : 0);
    return bytes;
}

std::vector<LogLine> readLog(const std::string& path)
{
    std::vector<LogLine> lines;
    std::ifstream file(path);
    std::string text;
    while (std::getline(file, text)) {
        std::istringstream words(text);
        LogLine line;
        words >> line.timestamp >> line.kind;
        std::string token;
        while (words >> token && isHexByte(token))
            line.bytes.push_back(static_cast<uint8_t>(std::stoul(token, nullptr, 16)));
        if (!isHexByte(token)) {
            std::string rest;
            std::getline(words, rest);
            line.note = token + rest;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<Bytes> loggedBytes(const std::string& path, const std::string& kind)
{
    std::vector<Bytes> out;
    for (const LogLine& line : readLog(path)) {
        if (line.kind == kind)
            out.push_back(line.bytes);
    }
    return out;
}

}  // namespace lumivex::testing
