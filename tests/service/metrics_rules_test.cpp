// The metrics without a bus or a device: [Metrics] as the settings file
// gives it, and the exposition of counted values as promtool reads it.

#include "control/outcome.h"
#include "promtool_check.h"
#include "service/metrics/metrics_endpoint.h"
#include "service/metrics/metrics_registry.h"
#include "service/service_settings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <random>

using namespace lumivex;
using namespace lumivex::service;
using namespace std::chrono_literals;

namespace {

// The text after "[Service]\n", and what it makes of [Metrics]: "off",
// "ADDRESS:PORT TEXTFILE", or how its refusal starts.
TEST(MetricsSettings, EachKindOfListenAndTextfileIsTakenOrRefusedWithItsLine)
{
    const std::pair<const char*, const char*> rows[] = {
        {"", "127.0.0.1:9743 "},
        {"[Metrics]\nListen =\n", "off"},
        {"[Metrics]\nListen = 0.0.0.0:9100\nTextfile = /var/x.prom\n", "0.0.0.0:9100 /var/x.prom"},
        {"[metrics]\nlisten = [::1]:0\n", "[::1]:0 "},
        {"[Metrics]\nListen = localhost:65535\n", "127.0.0.1:65535 "},
        {"[Metrics]\nListen =\n[Metrics]\nListen = 127.0.0.1:1\n", "127.0.0.1:1 "},  // a later key wins
        {"[Metrics]\nListen = 127.0.0.1\n", "f.ini:3: Listen takes ADDRESS:PORT"},
        {"[Metrics]\nListen = 127.0.0.1:65536\n", "f.ini:3: Listen: the port is a number 0..65535, not '65536'"},
        {"[Metrics]\nListen = example.org:80\n", "f.ini:3: Listen: 'example.org' is not an IPv4 address"},
        {"[Metrics]\nListen = [127.0.0.1]:80\n", "f.ini:3: Listen: '[127.0.0.1]' is not"},
        {"[Metrics]\n\nTextfile = x.prom\n", "f.ini:4: Textfile takes an absolute path"},
        {"[Metrics]\nPort = 9743\n", "f.ini:3: [Metrics] takes Listen and Textfile, not 'Port'"},
    };
    for (const auto& [text, wanted] : rows) {
        std::string got;
        try {
            const MetricsSettings m = parseServiceConfig("f.ini", QStringLiteral("[Service]\n") + text).metrics;
            got = !m.serve ? "off" : (listenText(m, m.port) + ' ' + m.textfile).toStdString();
        } catch (const control::Failure& failure) {
            got = failure.code == control::kExitUsage ? failure.line.left(qsizetype(strlen(wanted))).toStdString() : "exit code";
        }
        EXPECT_EQ(got, wanted) << text;
    }
}

// Counts on two controllers, one named and linked with every character a
// label escapes: each shows in its series, the histogram cumulative with
// its bounds inclusive, not_verified counted but not timed.
TEST(MetricsRegistry, EveryCountShowsInItsSeriesWithLabelsEscaped)
{
    MetricsRegistry registry(QStringLiteral("1.5"));
    int changes = 0;
    registry.setChangeHandler([&] { ++changes; });
    ControllerMetrics& a = registry.add(QStringLiteral("wall-a"), QStringLiteral("COM1"));
    ControllerMetrics& b = registry.add(QStringLiteral("odd\"\\name\nx"), QStringLiteral("tcp://h:1/\"q\"\\"));
    const std::pair<TransactionResult, std::chrono::microseconds> onA[] = {
        {TransactionResult::Ok, 5000us},       {TransactionResult::Ok, 5001us},    {TransactionResult::NoReply, 1500ms},
        {TransactionResult::Damaged, 120ms},  {TransactionResult::NotVerified, 3s}};
    for (const auto& [result, duration] : onA)
        a.onTransaction(result, duration);
    b.onTransaction(TransactionResult::Refused, 40ms);
    b.onTransaction(TransactionResult::Ok, 11s);
    a.onRetry();
    a.setUp(true);
    a.setUp(true);  // no change: nothing told
    a.setLastReadback(1700000000042);
    EXPECT_EQ(changes, 10);

    const QByteArray text = registry.render();
    EXPECT_EQ(lumivex::testing::promtoolProblems(text), "") << text.toStdString();
    const std::string odd = "{controller=\"odd\\\"\\\\name\\nx\"";
    for (const std::string& line : std::initializer_list<std::string>{
             "lumivex_build_info{version=\"1.5\"} 1",
             "lumivex_controller_up{controller=\"wall-a\",link=\"COM1\"} 1",
             "lumivex_controller_up" + odd + ",link=\"tcp://h:1/\\\"q\\\"\\\\\"} 0",
             "lumivex_controller_last_readback_timestamp_seconds{controller=\"wall-a\"} 1700000000.042",
             "lumivex_controller_last_readback_timestamp_seconds" + odd + "} 0.000",
             "lumivex_transactions_total{controller=\"wall-a\",result=\"ok\"} 2",
             "lumivex_transactions_total{controller=\"wall-a\",result=\"no_reply\"} 1",
             "lumivex_transactions_total{controller=\"wall-a\",result=\"refused\"} 0",
             "lumivex_transactions_total{controller=\"wall-a\",result=\"not_verified\"} 1",
             "lumivex_transactions_total" + odd + ",result=\"refused\"} 1",
             "lumivex_transaction_duration_seconds_bucket{controller=\"wall-a\",le=\"0.005\"} 1",
             "lumivex_transaction_duration_seconds_bucket{controller=\"wall-a\",le=\"0.01\"} 2",
             "lumivex_transaction_duration_seconds_bucket{controller=\"wall-a\",le=\"0.25\"} 3",
             "lumivex_transaction_duration_seconds_bucket{controller=\"wall-a\",le=\"2.5\"} 4",
             "lumivex_transaction_duration_seconds_sum{controller=\"wall-a\"} 1.630001",
             "lumivex_transaction_duration_seconds_count{controller=\"wall-a\"} 4",
             "lumivex_transaction_duration_seconds_bucket" + odd + ",le=\"10\"} 1",
             "lumivex_transaction_duration_seconds_bucket" + odd + ",le=\"+Inf\"} 2",
             "lumivex_retries_total{controller=\"wall-a\"} 1",
         })
        EXPECT_TRUE(text.contains(QByteArray::fromStdString('\n' + line + '\n'))) << line;
    registry.markAllDown();
    EXPECT_TRUE(registry.render().contains("lumivex_controller_up{controller=\"wall-a\",link=\"COM1\"} 0\n"));
}

// The file node-exporter reads: after any run of changes, many inside the
// second it may wait, it holds the latest values; readable by all whether
// new under a strict umask or replacing one that was not; a path it cannot
// write told once however often it tries.
TEST(MetricsTextfile, FollowsEveryChangeReadableByAllAndTellsAProblemOnce)
{
    const lumivex::testing::TempDir dir;
    const QString path = QString::fromStdString((dir / "m.prom").string());
    MetricsRegistry registry(QStringLiteral("1"));
    QStringList told;
    TextfileWriter writer(registry, path, [&](const QString& line) { told << line; });
    registry.setChangeHandler([&] { writer.changed(); });
    ControllerMetrics& a = registry.add(QStringLiteral("a"), QStringLiteral("COM1"));
    const auto file = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const auto mode = [&] { return std::filesystem::status(path.toStdString()).permissions(); };
    const auto readable = std::filesystem::perms(0644);
    const mode_t umask = ::umask(077);
    std::mt19937 random(5);
    for (int round = 0; round < 5; ++round) {
        if (round == 3)
            std::filesystem::permissions(path.toStdString(), std::filesystem::perms(0600));
        for (unsigned n = random() % 4 + 1; n--;)
            random() % 2 ? a.onRetry() : a.onTransaction(TransactionResult::Ok, 1ms);
        const QDeadlineTimer ceiling(10000);
        while (file() != registry.render() && !ceiling.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        EXPECT_EQ(file().toStdString(), registry.render().toStdString()) << round;
        EXPECT_EQ(mode(), readable) << round;
    }
    ::umask(umask);
    EXPECT_TRUE(told.isEmpty()) << qPrintable(told.join('\n'));
    TextfileWriter lost(registry, path + "/x", [&](const QString& line) { told << line; });
    for (int i = 0; i < 3; ++i)
        lost.write();
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(told.value(0).startsWith(path + "/x: cannot write the metrics: ")) << qPrintable(told.value(0));
}

}  // namespace
