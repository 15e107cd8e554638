// Start-up of lumivex against the floor of a bare four-tab Qt dialog: time
// from process start to the window's first paint, and peak resident memory.
// Runs the two alternately so both see the same machine, then prints
// medians and ratios. Also times the Interface page's port list (the probe
// of COM1..COM255) on this machine, in this process.
//
//   bench_startup [runs]     (default 15 of each; needs the build's bin/)

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "panel/port_list.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Sample {
    double startupMs = 0;
    double peakRssMiB = 0;
};

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

bool runOnce(const std::string& program, Sample& sample)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    const long long started = monotonicNs();
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return false;
    }
    std::string output;
    char buffer[256];
    ssize_t n = 0;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    long long shown = 0;
    if (std::sscanf(output.c_str(), "shown %lld", &shown) != 1)
        return false;
    sample.startupMs = double(shown - started) / 1e6;
    sample.peakRssMiB = double(usage.ru_maxrss) / 1024.0;
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

double portListMs(int runs, int& listed)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        listed = int(lumivex::availableLinks().size());
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return median(times);
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const std::filesystem::path bin = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::string panel = (bin / "lumivex").string();
    const std::string floor = (bin / "bench_floor_dialog").string();

    if (!std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char runtime[] = "/tmp/lumivex-bench-XXXXXX";
    if (!mkdtemp(runtime))
        return 1;
    setenv("XDG_RUNTIME_DIR", runtime, 1);
    setenv("ZEPTA_DDCHELPER", (bin / "libDDCHelper-sim.so").c_str(), 1);
    setenv("ZEPTA_MESSAGE_LOG", (std::string(runtime) + "/messages.log").c_str(), 1);
    setenv("ZEPTA_EXIT_WHEN_SHOWN", "1", 1);

    std::vector<double> panelMs, panelRss, floorMs, floorRss;
    for (int i = 0; i < runs; ++i) {
        Sample p, f;
        if (!runOnce(panel, p) || !runOnce(floor, f)) {
            std::fprintf(stderr, "bench_startup: a run failed\n");
            return 1;
        }
        panelMs.push_back(p.startupMs), panelRss.push_back(p.peakRssMiB);
        floorMs.push_back(f.startupMs), floorRss.push_back(f.peakRssMiB);
    }
    std::filesystem::remove_all(runtime);
    int listed = 0;
    const double listMs = portListMs(runs, listed);

    const double pm = median(panelMs), fm = median(floorMs), pr = median(panelRss), fr = median(floorRss);
    std::printf("startup to window shown, median of %d runs (platform %s)\n", runs,
                std::getenv("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "xcb");
    std::printf("  lumivex            %8.1f ms   peak RSS %7.1f MiB\n", pm, pr);
    std::printf("  bare Qt dialog     %8.1f ms   peak RSS %7.1f MiB\n", fm, fr);
    std::printf("  ratio              %8.2f x    peak RSS %7.2f x   (targets <= 1.20 x)\n", pm / fm, pr / fr);
    std::printf("port list (DDC2Bi + COM1..COM255 probed), median of %d: %.2f ms, %d entries (target <= 20 ms)\n",
                runs, listMs, listed);
    return 0;
}
