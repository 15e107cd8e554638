// The metrics without a bus or a device: [Metrics] as the settings file
// gives it, and the exposition of counted values, whatever their labels
// hold and however many threads count at once, as promtool reads it.

#include "control/outcome.h"
#include "service/metrics/metrics_registry.h"
#include "service/service_settings.h"
#include "promtool_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

using namespace lumivex;
using namespace lumivex::service;
using lumivex::testing::promtoolProblems;
using namespace std::chrono_literals;

namespace {

// The settings file's text after "[Service]\n", and what it makes of
// [Metrics]: "off", "ADDRESS:PORT TEXTFILE", or how its refusal starts.
struct ListenRow {
    const char* text;
    const char* wanted;
};

TEST(MetricsSettings, EachKindOfListenAndTextfileIsTakenOrRefusedWithItsLine)
{
    const ListenRow rows[] = {
        {"", "127.0.0.1:9743 "},
        {"[Metrics]\nListen =\n", "off"},
        {"[Metrics]\nListen = 0.0.0.0:9100\nTextfile = /var/lib/x.prom\n", "0.0.0.0:9100 /var/lib/x.prom"},
        {"[metrics]\nlisten = [::1]:9743\n", "[::1]:9743 "},
        {"[Metrics]\nListen = localhost:80\n", "127.0.0.1:80 "},
        {"[Metrics]\nListen = 127.0.0.1:0\n", "127.0.0.1:0 "},
        {"[Metrics]\nListen = 127.0.0.1:65535\n", "127.0.0.1:65535 "},
        {"[Metrics]\nListen =\n[Metrics]\nListen = 127.0.0.1:1\n", "127.0.0.1:1 "},  // a later key wins
        {"[Metrics]\nListen = 127.0.0.1\n", "f.ini:3: Listen takes ADDRESS:PORT"},
        {"[Metrics]\nListen = 127.0.0.1:\n", "f.ini:3: Listen takes ADDRESS:PORT"},
        {"[Metrics]\nListen = [::1]\n", "f.ini:3: Listen takes ADDRESS:PORT"},
        {"[Metrics]\nListen = 127.0.0.1:65536\n", "f.ini:3: Listen: the port is a number 0..65535, not '65536'"},
        {"[Metrics]\nListen = 127.0.0.1:-1\n", "f.ini:3: Listen: the port is a number"},
        {"[Metrics]\nListen = 127.0.0.1:http\n", "f.ini:3: Listen: the port is a number"},
        {"[Metrics]\nListen = example.org:80\n", "f.ini:3: Listen: 'example.org' is not an IPv4 address"},
        {"[Metrics]\nListen = ::1:9743\n", "f.ini:3: Listen: '::1' is not"},
        {"[Metrics]\nListen = [127.0.0.1]:80\n", "f.ini:3: Listen: '[127.0.0.1]' is not"},
        {"[Metrics]\n\nTextfile = lumivex.prom\n", "f.ini:4: Textfile takes an absolute path"},
        {"[Metrics]\nPort = 9743\n", "f.ini:3: [Metrics] takes Listen and Textfile, not 'Port'"},
        {"[Metrics]\nListen\n", "f.ini:3: a line of [Metrics] is 'Key = value'"},
    };
    for (const ListenRow& row : rows) {
        std::string got;
        try {
            const MetricsSettings m = parseServiceConfig("f.ini", QStringLiteral("[Service]\n") + row.text).metrics;
            got = !m.serve ? "off" : (listenText(m, m.port) + ' ' + m.textfile).toStdString();
        } catch (const control::Failure& failure) {
            EXPECT_EQ(failure.code, control::kExitUsage) << row.text;
            got = failure.line.left(qsizetype(strlen(row.wanted))).toStdString();
        }
        EXPECT_EQ(got, row.wanted) << row.text;
    }
}

// The samples of an exposition by series (name and labels as written).
std::map<std::string, std::string> samples(const QByteArray& text)
{
    std::map<std::string, std::string> out;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype space = line.lastIndexOf(' ');
        out[line.left(space).toStdString()] = line.mid(space + 1).toStdString();
    }
    return out;
}

struct Counted {
    int controller;  // 0 or 1
    TransactionResult result;
    std::chrono::microseconds duration;
};

TEST(MetricsRegistry, EveryCountShowsInItsSeriesWithLabelsEscaped)
{
    MetricsRegistry registry(QStringLiteral("1.5"));
    int changes = 0;
    registry.setChangeHandler([&] { ++changes; });
    ControllerMetrics* c[] = {&registry.add(QStringLiteral("wall-a"), QStringLiteral("COM1")),
                              &registry.add(QStringLiteral("odd\"\\name\nx"), QStringLiteral("tcp://h:1/\"q\"\\"))};
    const Counted rows[] = {
        {0, TransactionResult::Ok, 5000us},       {0, TransactionResult::Ok, 4999us},   {0, TransactionResult::Ok, 5001us},
        {0, TransactionResult::NoReply, 1500ms},  {0, TransactionResult::Damaged, 120ms}, {0, TransactionResult::NotVerified, 3s},
        {1, TransactionResult::Refused, 40ms},    {1, TransactionResult::Ok, 11s},      {1, TransactionResult::Ok, 10s},
    };
    for (const Counted& row : rows)
        c[row.controller]->onTransaction(row.result, row.duration);
    c[0]->onRetry();
    c[0]->setUp(true);
    c[0]->setLastReadback(1700000000042);
    EXPECT_EQ(changes, int(std::size(rows)) + 3);
    c[0]->setUp(true);  // no change, nothing told
    EXPECT_EQ(changes, int(std::size(rows)) + 3);

    const QByteArray text = registry.render();
    EXPECT_EQ(promtoolProblems(text), "") << text.toStdString();
    std::map<std::string, std::string> got = samples(text);
    const std::string labels[] = {"controller=\"wall-a\"", "controller=\"odd\\\"\\\\name\\nx\""};
    std::map<std::string, std::string> wanted{
        {"lumivex_build_info{version=\"1.5\"}", "1"},
        {"lumivex_controller_up{" + labels[0] + ",link=\"COM1\"}", "1"},
        {"lumivex_controller_up{" + labels[1] + ",link=\"tcp://h:1/\\\"q\\\"\\\\\"}", "0"},
        {"lumivex_controller_last_readback_timestamp_seconds{" + labels[0] + "}", "1700000000.042"},
        {"lumivex_controller_last_readback_timestamp_seconds{" + labels[1] + "}", "0.000"},
        {"lumivex_retries_total{" + labels[0] + "}", "1"},
        {"lumivex_retries_total{" + labels[1] + "}", "0"},
    };
    const char* results[] = {"ok", "no_reply", "damaged", "refused", "not_verified"};
    const char* bounds[] = {"0.005", "0.01", "0.025", "0.05", "0.1", "0.25", "0.5", "1", "2.5", "5", "10", "+Inf"};
    for (int i = 0; i < 2; ++i) {
        double sum = 0;
        for (const char* result : results)
            wanted["lumivex_transactions_total{" + labels[i] + ",result=\"" + result + "\"}"] = std::to_string(
                std::count_if(std::begin(rows), std::end(rows), [&](const Counted& r) { return r.controller == i && resultLabel(r.result) == std::string(result); }));
        for (const char* bound : bounds) {
            const double le = std::string(bound) == "+Inf" ? 1e300 : std::stod(bound);
            wanted["lumivex_transaction_duration_seconds_bucket{" + labels[i] + ",le=\"" + bound + "\"}"] = std::to_string(
                std::count_if(std::begin(rows), std::end(rows), [&](const Counted& r) {
                    return r.controller == i && r.result != TransactionResult::NotVerified
                           && std::chrono::duration<double>(r.duration).count() <= le;
                }));
        }
        for (const Counted& r : rows)
            sum += r.controller == i && r.result != TransactionResult::NotVerified ? std::chrono::duration<double>(r.duration).count() : 0;
        const std::string series = "lumivex_transaction_duration_seconds_";
        wanted[series + "count{" + labels[i] + "}"] = wanted[series + "bucket{" + labels[i] + ",le=\"+Inf\"}"];
        EXPECT_NEAR(std::stod(got[series + "sum{" + labels[i] + "}"]), sum, 1e-9) << i;
        got.erase(series + "sum{" + labels[i] + "}");
    }
    EXPECT_EQ(got, wanted);
    registry.markAllDown();
    EXPECT_EQ(samples(registry.render())["lumivex_controller_up{" + labels[0] + ",link=\"COM1\"}"], "0");
}

// Owners count on their own threads while the main thread renders: no
// count is lost, and each rendering is whole.
TEST(MetricsRegistry, CountsFromManyThreadsAddUpWhileRendered)
{
    MetricsRegistry registry(QStringLiteral("1.5"));
    constexpr int kThreads = 4;
    constexpr int kEach = 20000;
    std::vector<ControllerMetrics*> counted;
    for (int i = 0; i < kThreads; ++i)
        counted.push_back(&registry.add(QStringLiteral("c%1").arg(i), QStringLiteral("COM%1").arg(i + 1)));
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([c = counted[size_t(i)], &shared = *counted[0]] {
            for (int n = 0; n < kEach; ++n) {
                c->onTransaction(n % 2 ? TransactionResult::Ok : TransactionResult::NoReply, 1ms);
                shared.onRetry();
            }
        });
    qsizetype size = 0;
    for (int n = 0; n < 50; ++n)
        size = std::max(size, registry.render().count('\n'));
    for (std::thread& t : threads)
        t.join();
    const std::map<std::string, std::string> got = samples(registry.render());
    for (int i = 0; i < kThreads; ++i) {
        const std::string c = "{controller=\"c" + std::to_string(i) + "\"";
        EXPECT_EQ(got.at("lumivex_transactions_total" + c + ",result=\"ok\"}"), std::to_string(kEach / 2));
        EXPECT_EQ(got.at("lumivex_transaction_duration_seconds_bucket" + c + ",le=\"0.005\"}"), std::to_string(kEach));
    }
    EXPECT_EQ(got.at("lumivex_retries_total{controller=\"c0\"}"), std::to_string(kThreads * kEach));
    EXPECT_EQ(size, registry.render().count('\n')) << "every rendering has every line";
}

}  // namespace
