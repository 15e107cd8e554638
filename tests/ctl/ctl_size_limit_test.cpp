// ZEPTA.ini and set-up files against the 1 MiB limit: up to it they are
// read; past it, however they come, one line names the file, its size when
// known and the limit, and no file is written.

#include "ctl_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

using namespace lumivex::testing;
namespace fs = std::filesystem;

namespace {

constexpr size_t kLimit = 1 << 20;

// A file of exactly `bytes` that means something to its reader.
std::string fileOf(const std::string& head, size_t bytes)
{
    return head + ";" + std::string(bytes - head.size() - 2, '-') + "\n";
}

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Writes more than the limit into a named pipe for as long as it is read.
class PipeWriter {
public:
    explicit PipeWriter(fs::path path)
        : m_path(std::move(path))
    {
        EXPECT_EQ(::mkfifo(m_path.c_str(), 0600), 0);
        m_thread = std::thread([this] {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipe, nullptr);  // the reader leaving is EPIPE here
            const int fd = ::open(m_path.c_str(), O_WRONLY);
            const std::string block(4096, ';');
            for (size_t sent = 0; fd >= 0 && sent <= 2 * kLimit && ::write(fd, block.data(), block.size()) > 0;)
                sent += block.size();
            ::close(fd);
        });
    }
    ~PipeWriter()
    {
        // Frees a writer that no reader ever met.
        ::close(::open(m_path.c_str(), O_RDONLY | O_NONBLOCK));
        m_thread.join();
    }

private:
    fs::path m_path;
    std::thread m_thread;
};

}  // namespace

TEST(CtlSizeLimit, FilesUpToTheLimitAreReadAndLargerOnesRefusedUnwritten)
{
    const std::string ini = "[Dialog Settings]\nBezel Width=12.5\n";
    const std::string setup = "[Device]\npower=on\n";
    const std::vector<std::string> maskOn{"set", "mask", "on", "--bezel", "10,10", "--viewable", "400,300"};
    const struct {
        const char* name;
        size_t iniBytes;    // ZEPTA.ini, 0: none
        size_t setupBytes;  // {dir}/setup.ini, 0: none
        std::vector<std::string> verb;
        int code;
        std::string err;  // {dir}: the row's folder
    } rows[] = {
        {"ZEPTA.ini just under the limit", kLimit - 1, 0, {"status"}, 0, ""},
        {"ZEPTA.ini at the limit", kLimit, 0, {"status"}, 0, ""},
        {"ZEPTA.ini just over the limit", kLimit + 1, 0, {"status"}, 1,
         "{dir}/ZEPTA.ini: 1048577 bytes, more than the limit of 1048576 bytes"},
        {"ZEPTA.ini just over the limit, for a verb without a link", kLimit + 1, 0, {"ports"}, 1,
         "{dir}/ZEPTA.ini: 1048577 bytes, more than the limit of 1048576 bytes"},
        {"ZEPTA.ini far over, set mask on writes nothing", 8 << 20, 0, maskOn, 1,
         "{dir}/ZEPTA.ini: 8388608 bytes, more than the limit of 1048576 bytes"},
        {"ZEPTA.ini at the limit is not written past it", kLimit, 0, maskOn, 1,
         "{dir}/ZEPTA.ini: the sizes cannot be written"},
        {"set-up just under the limit", 0, kLimit - 1, {"apply", "{dir}/setup.ini"}, 0, ""},
        {"set-up at the limit", 0, kLimit, {"apply", "{dir}/setup.ini"}, 0, ""},
        {"set-up just over the limit", 0, kLimit + 1, {"apply", "{dir}/setup.ini"}, 1,
         "{dir}/setup.ini: 1048577 bytes, more than the limit of 1048576 bytes"},
        {"set-up without end", 0, 0, {"apply", "/dev/zero"}, 1, "/dev/zero: more than the limit of 1048576 bytes"},
        {"set-up from a named pipe", 0, 0, {"apply", "{dir}/pipe"}, 1,
         "{dir}/pipe: more than the limit of 1048576 bytes"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const auto place = [&](std::string text) {
            for (size_t at; (at = text.find("{dir}")) != std::string::npos;)
                text.replace(at, 5, dir.path().string());
            return text;
        };
        const std::string iniText = row.iniBytes ? fileOf(ini, row.iniBytes) : "";
        const std::string setupText = row.setupBytes ? fileOf(setup, row.setupBytes) : "";
        if (row.iniBytes)
            std::ofstream(dir / "ZEPTA.ini", std::ios::binary) << iniText;
        if (row.setupBytes)
            std::ofstream(dir / "setup.ini", std::ios::binary) << setupText;
        std::optional<PipeWriter> pipe;
        if (row.verb.back() == "{dir}/pipe")
            pipe.emplace(dir / "pipe");
        std::vector<std::string> args{"--ini", (dir / "ZEPTA.ini").string()};
        if (row.verb.front() != "ports")
            args.insert(args.end(), {"--link", "ddc"});
        for (const std::string& arg : row.verb)
            args.push_back(place(arg));
        const CtlRun run = runCtl(args, {{"ZEPTA_DDCHELPER", binDir() + "/libDDCHelper-sim.so"}});
        EXPECT_EQ(run.exitCode, row.code) << run.err;
        EXPECT_EQ(run.err, row.err.empty() ? "" : "lumivex-ctl: " + place(row.err) + "\n");
        EXPECT_EQ(fs::exists(dir / "ZEPTA.ini"), row.iniBytes > 0);
        EXPECT_TRUE(!row.iniBytes || slurp(dir / "ZEPTA.ini") == iniText) << "ZEPTA.ini changed";
        EXPECT_TRUE(!row.setupBytes || slurp(dir / "setup.ini") == setupText) << "the set-up file changed";
    }
}
