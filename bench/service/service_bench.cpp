// lumivexd holding many controllers, each a zepta-sim on a pseudo-terminal
// polled every second: the service's CPU share and RSS, and how long one
// full poll round takes (from a moment on, until every controller has been
// read once more: its state file rewritten), and a scrape of its /metrics.
// With --mqtt, the same with the MQTT bridge on, publishing to a mosquitto
// broker that a subscriber of every topic reads. Asserts nothing.
//
//   bench_service [controllers] [rounds] [--mqtt]     (default 200 and 5; needs the build's bin/)

#include "mqtt_broker.h"
#include "private_bus.h"
#include "service_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace lumivex::testing;
using Clock = std::chrono::steady_clock;

namespace {

// utime + stime in clock ticks, from /proc/PID/stat.
long long cpuTicks(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i)
        fields >> skip;
    long long user = 0;
    long long system = 0;
    fields >> user >> system;
    return user + system;
}

// A line of /proc/PID/status, such as "VmRSS:" or "Threads:".
std::string statusLine(pid_t pid, const std::string& key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0)
            return line.substr(key.size());
    return "?";
}

std::filesystem::file_time_type lastWrite(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto t = std::filesystem::last_write_time(path, ec);
    return ec ? std::filesystem::file_time_type::min() : t;
}

// One GET of the service's /metrics: the body's size, 0 when it failed.
qsizetype scrapeMetrics(QNetworkAccessManager& manager, const QUrl& url)
{
    QNetworkReply* reply = manager.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const qsizetype size = reply->error() == QNetworkReply::NoError ? reply->readAll().size() : 0;
    delete reply;
    return size;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool mqtt = std::erase(args, "--mqtt") > 0;
    const int count = args.size() > 0 ? std::max(1, std::atoi(args[0].c_str())) : 200;
    const int rounds = args.size() > 1 ? std::max(1, std::atoi(args[1].c_str())) : 5;
    std::unique_ptr<MosquittoBroker> broker;
    std::unique_ptr<MqttProbe> subscriber;
    if (mqtt) {
        broker = std::make_unique<MosquittoBroker>();
        subscriber = std::make_unique<MqttProbe>(*broker, std::vector<std::string>{"lumivex/#", "homeassistant/#"});
    }
    PrivateBus bus;
    TempDir dir;
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<ControllerSpec> controllers;
    for (int i = 0; i < count; ++i) {
        sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{"--persist"}));
        if (!sims.back()->started()) {
            std::fprintf(stderr, "bench_service: zepta-sim %d did not start (LUMIVEX_BIN_DIR=%s)\n", i, binDir().c_str());
            return 1;
        }
        controllers.push_back({"wall-" + std::to_string(i), sims.back()->slavePath(), 1});
    }
    writeInventory(dir.path(), controllers);
    ServiceClient client(QStringLiteral("bench"));
    const auto started = Clock::now();
    ServiceProcess service(dir.path(), kGenerousReplyWait,
                           "[Metrics]\nListen = 127.0.0.1:0\n"
                               + (mqtt ? "[MQTT]\nBroker = " + broker->url() + "\nNode Id = bench\n" : std::string()));
    if (!service.waitForName(client.bus())) {
        std::fprintf(stderr, "bench_service: lumivexd did not start\n%s", service.errors().c_str());
        return 1;
    }
    // Every controller read once: its state file is there.
    const auto stateOf = [&](int i) { return dir / "state" / (controllers[size_t(i)].name + ".json"); };
    const bool allRead = waitUntil(
        [&] {
            for (int i = 0; i < count; ++i)
                if (!std::filesystem::exists(stateOf(i)))
                    return false;
            return true;
        },
        std::chrono::minutes(2));
    if (!allRead) {
        std::fprintf(stderr, "bench_service: not every controller was read within 2 min\n%s", service.errors().c_str());
        return 1;
    }
    const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    std::printf("  %d controllers, each polled every 1 s%s: all opened and read once after %.0f ms\n", count,
                mqtt ? ", the MQTT bridge on" : "", openMs);

    // Rounds: from now, until every state file has been written again.
    std::vector<double> roundMs;
    for (int r = 0; r < rounds; ++r) {
        std::vector<std::filesystem::file_time_type> before;
        for (int i = 0; i < count; ++i)
            before.push_back(lastWrite(stateOf(i)));
        const auto from = Clock::now();
        waitUntil(
            [&] {
                for (int i = 0; i < count; ++i)
                    if (lastWrite(stateOf(i)) <= before[size_t(i)])
                        return false;
                return true;
            },
            std::chrono::seconds(30));
        roundMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - from).count());
    }
    std::sort(roundMs.begin(), roundMs.end());
    std::printf("  one full poll round (every controller read once more): median %.0f ms, max %.0f ms over %d rounds\n",
                roundMs[roundMs.size() / 2], roundMs.back(), rounds);

    // CPU share over a 10 s window of polling.
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    const long long ticksBefore = cpuTicks(service.pid());
    const auto windowStart = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(10));  // the window measured
    const double seconds = std::chrono::duration<double>(Clock::now() - windowStart).count();
    const double cpu = double(cpuTicks(service.pid()) - ticksBefore) / double(ticksPerSecond) / seconds * 100;
    std::printf("  lumivexd: CPU %.1f %% of one core over %.0f s; RSS%s; threads%s\n", cpu, seconds,
                statusLine(service.pid(), "VmRSS:").c_str(), statusLine(service.pid(), "Threads:").c_str());

    // A client's Status while all of them poll.
    std::vector<double> callMs;
    for (int i = 0; i < 20; ++i) {
        const auto t = Clock::now();
        client.call(QString::fromStdString(controllers[size_t(i % count)].name), QStringLiteral("Status"));
        callMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
    }
    std::sort(callMs.begin(), callMs.end());
    std::printf("  a client's Status meanwhile: median %.2f ms, max %.2f ms\n", callMs[callMs.size() / 2], callMs.back());

    // Scrapes of /metrics while all of them poll.
    const QRegularExpressionMatch told =
        QRegularExpression(QStringLiteral("metrics on (http://\\S+)")).match(QString::fromStdString(service.errors()));
    QNetworkAccessManager manager;
    std::vector<double> scrapeMs;
    qsizetype bytes = 0;
    for (int i = 0; told.hasMatch() && i < 20; ++i) {
        const auto t = Clock::now();
        bytes = scrapeMetrics(manager, QUrl(told.captured(1)));
        scrapeMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
    }
    std::sort(scrapeMs.begin(), scrapeMs.end());
    if (scrapeMs.empty() || bytes == 0)
        std::printf("  /metrics: not served\n");
    else
        std::printf("  a scrape of /metrics (%lld bytes): median %.2f ms, max %.2f ms\n", static_cast<long long>(bytes),
                    scrapeMs[scrapeMs.size() / 2], scrapeMs.back());
    service.stop();
    return 0;
}
