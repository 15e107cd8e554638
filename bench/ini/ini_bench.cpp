// ZEPTA.ini against its size: lumivex-ctl status with a 48 MB file of two
// million keys, and the time to read files of 256 KiB, 512 KiB and 1 MiB
// full of keys, in-process (one lookup, the key last) and as lumivex-ctl
// status end to end, with the child's peak memory.
//
//   bench_ini [runs]     (default 5; needs the build's bin/)

#include "ctl_spawn.h"
#include "platform/ini_profile.h"
#include "sim_process.h"
#include "temp_dir.h"


#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace lumivex;
using Clock = std::chrono::steady_clock;

namespace {

// Spawn to exit, with the child's own peak resident size.
bench::ChildRun runCtl(const std::vector<std::string>& args)
{
    return bench::spawnCtl(args, true);
}

// Keys of 24 bytes a line in a section of their own, the sizes last, so
// that every lookup goes through the whole file; padded with a comment to
// exactly `bytes` when that is given. Written as it is made: this process
// stays small, since a child spawned from it starts with its peak memory.
void writeIni(const std::filesystem::path& path, size_t keys, size_t bytes = 0)
{
    std::ofstream out(path, std::ios::binary);
    out << "[Filler]\n";
    char line[64];
    for (size_t i = 0; i < keys; ++i) {
        std::snprintf(line, sizeof line, "Key%07zu=value%07zu\n", i, i);
        out << line;
    }
    const std::string tail = "[Dialog Settings]\nBezel Width=    10.0\nViewable Width=   400.0\n";
    const size_t written = 9 + keys * 24;
    if (bytes > written + tail.size() + 2)
        out << ";" << std::string(bytes - written - tail.size() - 2, '-') << "\n";
    out << tail;
}

size_t keysFor(size_t bytes)
{
    return (bytes - 128) / 24;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    testing::SimProcess sim({"--persist"});
    if (!sim.started()) {
        std::fprintf(stderr, "bench_ini: zepta-sim did not start (LUMIVEX_BIN_DIR=%s)\n", testing::binDir().c_str());
        return 1;
    }
    testing::TempDir dir;

    const std::filesystem::path huge = dir / "huge" / "ZEPTA.ini";
    std::filesystem::create_directories(huge.parent_path());
    writeIni(huge, 2'000'000);
    const bench::ChildRun hugeRun = runCtl({"--link", sim.slavePath(), "--ini", huge.string(), "status"});
    std::printf("lumivex-ctl status, ZEPTA.ini of %ju bytes and 2000000 keys: %.1f ms, peak %ld KiB, exit %d\n",
                std::uintmax_t(std::filesystem::file_size(huge)), hugeRun.ms, hugeRun.peakKiB, hugeRun.exit);
    std::filesystem::remove(huge);

    std::printf("reading ZEPTA.ini full of keys (median of %d; the key asked for is the last):\n", runs);
    std::printf("  %10s %8s %14s %10s %18s %12s\n", "bytes", "keys", "one read (ms)", "ns/byte", "ctl status (ms)",
                "peak (KiB)");
    for (const size_t bytes : {size_t(256) << 10, size_t(512) << 10, size_t(1) << 20}) {
        const std::filesystem::path path = dir / ("ZEPTA-" + std::to_string(bytes) + ".ini");
        writeIni(path, keysFor(bytes), bytes);
        const IniProfile profile(path);
        std::vector<double> reads, ctl;
        long peak = 0;
        bool found = true;
        for (int i = 0; i < runs; ++i) {
            const auto start = Clock::now();
            found = profile.readString("Dialog Settings", "Viewable Width") == "400.0" && found;
            reads.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            const bench::ChildRun run = runCtl({"--link", sim.slavePath(), "--ini", path.string(), "status"});
            found = run.exit == 0 && found;
            ctl.push_back(run.ms);
            peak = std::max(peak, run.peakKiB);
        }
        const double read = median(reads);
        std::printf("  %10ju %8zu %14.2f %10.2f %18.1f %12ld%s\n", std::uintmax_t(std::filesystem::file_size(path)),
                    keysFor(bytes), read, read * 1e6 / double(bytes), median(ctl), peak,
                    found ? "" : "   (a read or a status failed)");
    }
    return 0;
}
