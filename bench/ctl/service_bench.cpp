// lumivex-ctl status through lumivexd against the same run opening the link
// itself (--direct): over serial (zepta-sim's pseudo-terminal), through
// ser2net's raw accepter on loopback, and over DDC/CI (the real plugin and
// libddcutil on an emulated K410). The service runs on a private bus and
// holds all three; each run is spawn to exit.
//
//   bench_ctl_service [runs]     (default 20; needs the build's bin/, ser2net)

#include "ctl_process.h"
#include "emulated_monitors.h"
#include "private_bus.h"
#include "ser2net_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <QCoreApplication>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace lumivex::testing;
using Env = std::vector<std::pair<std::string, std::string>>;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median milliseconds of status; negative when a run failed.
double measure(const char* what, std::vector<std::string> args, const Env& env, const std::string& ini, int runs)
{
    args.insert(args.begin(), {"--ini", ini});
    args.push_back("status");
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const CtlRun run = runCtl(args, env);
        if (run.exitCode != 0) {
            std::fprintf(stderr, "bench_ctl_service: %s failed (%d): %s", what, run.exitCode, run.err.c_str());
            return -1;
        }
        times.push_back(double(run.took.count()));
    }
    const double m = median(times);
    std::printf("  %-40s median %8.1f ms   max %8.1f ms\n", what, m, *std::max_element(times.begin(), times.end()));
    return m;
}

// ser2net lets go of the device a little after its last client: unmeasured
// runs until one gets through.
void settle(const std::string& link, const std::string& ini)
{
    for (int tries = 0; tries < 100; ++tries)
        if (runCtl({"--direct", "--link", link, "--ini", ini, "model"}).exitCode == 0)
            return;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    if (!Ser2NetProcess::installed()) {
        std::fprintf(stderr, "bench_ctl_service: ser2net is not installed (scripts/setup installs it)\n");
        return 1;
    }
    TempDir dir;
    const std::string ini = (dir / "ZEPTA.ini").string();
    SimProcess serial({"--persist"});
    SimProcess behindServer({"--persist"});
    if (!serial.started() || !behindServer.started())
        return 1;
    Ser2NetProcess server(behindServer.slavePath(), dir.path().string());
    if (!server.started()) {
        std::fprintf(stderr, "bench_ctl_service: ser2net did not start:\n%s", server.output().c_str());
        return 1;
    }
    const EmulatedMonitors monitors({"bus=3 model=K410"});
    const Env ddcEnv = monitors.environment();

    std::printf("lumivex-ctl status, %d runs each, spawn to exit:\n", runs);
    const double serialDirect = measure("serial, --direct", {"--direct", "--link", serial.slavePath()}, {}, ini, runs);
    settle(server.rawLink(), ini);
    const double netDirect = measure("ser2net raw TCP, --direct", {"--direct", "--link", server.rawLink()}, {}, ini, runs);
    const double ddcDirect = measure("DDC/CI, --direct", {"--direct", "--link", "ddc"}, ddcEnv, ini, std::max(1, runs / 4));
    settle(server.rawLink(), ini);

    // The service holds all three from here on.
    PrivateBus bus;
    std::ofstream(dir / "controllers.ini") << "[Controller wall]\nLink = " << serial.slavePath()
                                           << "\n[Controller rack]\nLink = " << server.rawLink()
                                           << "\n[Controller desk]\nLink = ddc\n";
    std::ofstream(dir / "lumivexd.ini") << "[Service]\nState directory = " << (dir / "state").string()
                                        << "\nZEPTA.ini = " << ini << "\n";
    QProcess service;
    service.setProgram(QString::fromStdString(binDir() + "/lumivexd"));
    service.setArguments({"--config", QString::fromStdString((dir / "lumivexd.ini").string()), "--inventory",
                          QString::fromStdString((dir / "controllers.ini").string()), "--bus", "session"});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : ddcEnv)
        env.insert(QString::fromStdString(name), QString::fromStdString(value));
    service.setProcessEnvironment(env);
    service.setReadChannel(QProcess::StandardError);
    service.start();
    QByteArray said;
    while (said.count("opened ") < 3) {
        if (!service.waitForReadyRead(30000)) {
            std::fprintf(stderr, "bench_ctl_service: lumivexd did not open all three:\n%s", said.constData());
            return 1;
        }
        said += service.readAllStandardError();
    }
    const std::string inventory = (dir / "controllers.ini").string();
    const double serialService = measure("serial, through lumivexd", {"--inventory", inventory, "-c", "wall"}, {}, ini, runs);
    const double netService = measure("ser2net raw TCP, through lumivexd", {"--inventory", inventory, "-c", "rack"}, {}, ini, runs);
    const double ddcService = measure("DDC/CI, through lumivexd", {"--inventory", inventory, "-c", "desk"}, {}, ini, runs);
    service.kill();
    service.waitForFinished();
    server.stop();
    if (std::min({serialDirect, netDirect, ddcDirect, serialService, netService, ddcService}) < 0)
        return 1;
    std::printf("  through lumivexd against --direct: serial %.1f against %.1f ms, ser2net %.1f against %.1f ms "
                "(no connection set-up), DDC/CI %.1f against %.1f ms (no detection)\n",
                serialService, serialDirect, netService, netDirect, ddcService, ddcDirect);
    return 0;
}
