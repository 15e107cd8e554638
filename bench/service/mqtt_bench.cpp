// lumivexd's MQTT bridge: from a change on a simulated controller to its
// state message at a subscriber of a real mosquitto broker, median and
// p99, the change made by a client on the bus (Set) and by a building's
// system on the broker (/set). Asserts nothing.
//
//   bench_mqtt [changes]     (default 100; needs the build's bin/ and mosquitto)

#include "mqtt_broker.h"
#include "private_bus.h"
#include "service_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace lumivex::testing;
using Clock = std::chrono::steady_clock;

namespace {

QString powerIn(const std::string& payload)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(payload)).object().value(QStringLiteral("power")).toString();
}

// Each change from power off to on and back, timed to the state that shows it.
std::vector<double> timeChanges(int count, MqttProbe& probe, const std::string& stateTopic,
                                const std::function<void(const char* power)>& change)
{
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        const char* power = i % 2 ? "on" : "off";
        probe.clear();
        const auto from = Clock::now();
        change(power);
        if (!probe.waitForMessage(stateTopic, [&](const std::string& p) { return powerIn(p) == QLatin1String(power); },
                                  std::chrono::seconds(10))) {
            std::fprintf(stderr, "bench_mqtt: no state with power %s within 10 s\n", power);
            break;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - from).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms;
}

void print(const char* what, const std::vector<double>& ms)
{
    if (ms.empty())
        return;
    std::printf("  %s: median %.2f ms, p99 %.2f ms over %zu changes\n", what, ms[ms.size() / 2],
                ms[std::min(ms.size() - 1, ms.size() * 99 / 100)], ms.size());
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
    PrivateBus bus;
    TempDir dir;
    MosquittoBroker broker;
    SimProcess sim({"--persist"});
    if (!sim.started()) {
        std::fprintf(stderr, "bench_mqtt: zepta-sim did not start (LUMIVEX_BIN_DIR=%s)\n", binDir().c_str());
        return 1;
    }
    writeInventory(dir.path(), {{"wall", sim.slavePath()}});
    ServiceClient client(QStringLiteral("bench"));
    // No pacing: each change here waits for the last one's state anyway.
    ServiceProcess service(dir.path(), kGenerousReplyWait,
                           "[MQTT]\nBroker = " + broker.url() + "\nNode Id = bench\nWrite Interval ms = 0\n");
    if (!service.waitForName(client.bus())) {
        std::fprintf(stderr, "bench_mqtt: lumivexd did not start\n%s", service.errors().c_str());
        return 1;
    }
    const std::string state = "lumivex/bench/wall/state";
    MqttProbe probe(broker, {state});
    if (!probe.waitForMessage(state, [](const std::string& p) { return !powerIn(p).isEmpty(); })) {
        std::fprintf(stderr, "bench_mqtt: no state on the broker\n%s", service.errors().c_str());
        return 1;
    }
    print("Set on the bus to the state message", timeChanges(count, probe, state, [&](const char* power) {
              client.call(QStringLiteral("wall"), QStringLiteral("Set"),
                          {QStringLiteral("power"), QString::fromLatin1(power), 0u});
          }));
    print("/set on the broker to the state message", timeChanges(count, probe, state, [&](const char* power) {
              probe.publish("lumivex/bench/wall/set", std::string("{\"power\": \"") + power + "\"}");
          }));
    service.stop();
    return 0;
}
