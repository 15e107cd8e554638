// lumivexd's metrics as a scraper and node-exporter meet them: the service
// as a process on a private bus over a zepta-sim, /metrics over real HTTP,
// the textfile on disk, each text checked by promtool.

#include "private_bus.h"
#include "promtool_check.h"
#include "service_process.h"
#include "sim_process.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

struct Scrape {
    int status = 0;
    QByteArray contentType;
    QByteArray body;
};

// A wait the silent simulator's read-backs take in full, twice, well inside the calls' patience.
constexpr std::chrono::milliseconds kSilentReplyWait{1500};

class MetricsProcess : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(sim.started());
        std::filesystem::create_symlink(sim.slavePath(), dir / "wall-a");
        writeInventory(dir.path(), {{"wall-a", (dir / "wall-a").string()}});
    }

    // The service with this [Metrics] section after the fixture's.
    void start(const std::string& metrics)
    {
        service = std::make_unique<ServiceProcess>(dir.path(), kSilentReplyWait, "[Metrics]\n" + metrics);
    }

    // The port the service told it serves on.
    std::optional<int> boundPort()
    {
        const QRegularExpression told(QStringLiteral("metrics on http://127\\.0\\.0\\.1:(\\d+)/metrics"));
        QRegularExpressionMatch match;
        if (!waitUntil([&] { return (match = told.match(QString::fromStdString(service->errors()))).hasMatch(); }))
            return std::nullopt;
        return match.captured(1).toInt();
    }

    Scrape scrape(int port)
    {
        QNetworkAccessManager manager;
        QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/metrics").arg(port))));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(kSimPatience, &loop, &QEventLoop::quit);  // a ceiling for failure only
        loop.exec();
        Scrape s{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->rawHeader("Content-Type"),
                 reply->readAll()};
        delete reply;
        return s;
    }

    // One series' value in a text, or "" when it is not there.
    static std::string value(const QByteArray& text, const std::string& series)
    {
        for (const QByteArray& line : text.split('\n'))
            if (line.startsWith(QByteArray::fromStdString(series + ' ')))
                return line.mid(qsizetype(series.size()) + 1).toStdString();
        return {};
    }
    static long count(const QByteArray& text, const std::string& series)
    {
        const std::string v = value(text, series);
        return v.empty() ? -1 : std::stol(v);
    }

    std::string textfile() const
    {
        std::ifstream in(dir / "lumivex.prom");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    PrivateBus bus;
    TempDir dir;
    SimProcess sim{{"--persist"}};
    ServiceClient client{QStringLiteral("metrics-client")};
    std::unique_ptr<ServiceProcess> service;
};

const std::string kWallA = "{controller=\"wall-a\"";

// Served and written from the start with every result at 0; a Status
// counts its read-backs, a silent controller its unanswered ones and the
// retry; the textfile follows the values and tells the stop.
TEST_F(MetricsProcess, ScrapedAndWrittenAsTheControllerAnswersOrNot)
{
    start("Listen = 127.0.0.1:0\nTextfile = " + (dir / "lumivex.prom").string() + "\n");
    ASSERT_TRUE(service->waitForName(client.bus())) << service->errors();
    const std::optional<int> port = boundPort();
    ASSERT_TRUE(port) << service->errors();
    const std::string up = "lumivex_controller_up" + kWallA + ",link=\"" + (dir / "wall-a").string() + "\"}";
    Scrape before;
    ASSERT_TRUE(waitUntil([&] { return value((before = scrape(*port)).body, up) == "1"; })) << before.body.toStdString();
    EXPECT_EQ(before.status, 200);
    EXPECT_EQ(before.contentType, "text/plain; version=0.0.4; charset=utf-8");
    EXPECT_EQ(promtoolProblems(before.body), "") << before.body.toStdString();
    EXPECT_EQ(value(before.body, "lumivex_build_info{version=\"" LUMIVEX_VERSION "\"}"), "1");
    for (const char* result : {"ok", "no_reply", "damaged", "refused", "not_verified"})
        EXPECT_NE(value(before.body, "lumivex_transactions_total" + kWallA + ",result=\"" + result + "\"}"), "") << result;
    EXPECT_EQ(count(before.body, "lumivex_transactions_total" + kWallA + ",result=\"no_reply\"}"), 0);

    const QDBusMessage status = client.call(QStringLiteral("wall-a"), QStringLiteral("Status"));
    ASSERT_NE(status.type(), QDBusMessage::ErrorMessage) << status.errorMessage().toStdString();
    const QByteArray after = scrape(*port).body;
    const std::string ok = "lumivex_transactions_total" + kWallA + ",result=\"ok\"}";
    const std::string histogram = "lumivex_transaction_duration_seconds_count" + kWallA + "}";
    EXPECT_GE(count(after, ok), count(before.body, ok) + 2) << "the display and settings read-backs";
    EXPECT_EQ(count(after, histogram) - count(before.body, histogram), count(after, ok) - count(before.body, ok));
    EXPECT_GT(std::stod(value(after, "lumivex_controller_last_readback_timestamp_seconds" + kWallA + "}")), 1e9);
    // The file follows within the second it may wait.
    EXPECT_TRUE(waitUntil([&] { return textfile() == scrape(*port).body.toStdString(); })) << textfile();

    // Silent: a read-back unanswered, sent again, unanswered; the link let go.
    ASSERT_EQ(kill(sim.pid(), SIGSTOP), 0);
    const QDBusMessage silent = client.call(QStringLiteral("wall-a"), QStringLiteral("Status"));
    kill(sim.pid(), SIGCONT);
    EXPECT_EQ(silent.type(), QDBusMessage::ErrorMessage);
    const QByteArray unanswered = scrape(*port).body;
    EXPECT_EQ(count(unanswered, "lumivex_transactions_total" + kWallA + ",result=\"no_reply\"}"), 2) << unanswered.toStdString();
    EXPECT_EQ(count(unanswered, "lumivex_retries_total" + kWallA + "}"), 1);
    EXPECT_TRUE(waitUntil([&] { return value(scrape(*port).body, up) == "0"; })) << "let go after the answer";
    EXPECT_EQ(promtoolProblems(unanswered), "") << unanswered.toStdString();

    ASSERT_EQ(service->stop(), 0) << service->errors();
    EXPECT_EQ(value(QByteArray::fromStdString(textfile()), up), "0") << "stopped, so not up";
    EXPECT_EQ(promtoolProblems(QByteArray::fromStdString(textfile())), "");
}

// Each kind of controller, and what it counts as it is opened and called:
// at least so many of each series (the failing one is opened again and again).
struct Kind {
    const char* name;
    std::vector<std::string> simArgs;  // none: DDC/CI through the simulated library
    std::function<void(ServiceClient&)> call;
    std::map<std::string, long> atLeast;  // result label, or "retries"
    const char* up;
};

TEST_F(MetricsProcess, EachKindOfAnswerIsCountedUnderItsResult)
{
    const auto vcp = [](const char* method, QVariantList args) {
        return [method, args](ServiceClient& c) { c.call(QStringLiteral("ddc-1"), QString::fromLatin1(method), args); };
    };
    const Kind kinds[] = {
        {"late", {"--persist", "--drop-first"}, {}, {{"no_reply", 1}, {"retries", 1}, {"ok", 1}, {"damaged", 0}}, "1"},
        {"garbled", {"--persist", "--garble", "checksum"}, {}, {{"damaged", 2}, {"retries", 1}, {"ok", 0}}, "0"},
        {"ddc-1", {}, vcp("GetVcp", {QVariant::fromValue(uchar(0x01))}), {{"refused", 1}, {"ok", 1}, {"no_reply", 0}}, "1"},
    };
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<ControllerSpec> controllers{{"wall-a", (dir / "wall-a").string()}};
    for (const Kind& kind : kinds) {
        std::string link = "ddc";
        if (!kind.simArgs.empty()) {
            sims.push_back(std::make_unique<SimProcess>(kind.simArgs));
            ASSERT_TRUE(sims.back()->started()) << kind.name;
            link = sims.back()->slavePath();
        }
        controllers.push_back({kind.name, link});
    }
    writeInventory(dir.path(), controllers);
    start("Listen = 127.0.0.1:0\n");
    ASSERT_TRUE(service->waitForName(client.bus())) << service->errors();
    const std::optional<int> port = boundPort();
    ASSERT_TRUE(port) << service->errors();
    for (const Kind& kind : kinds) {
        const std::string labels = "{controller=\"" + std::string(kind.name) + "\"";
        const std::string upSeries = "lumivex_controller_up" + labels + ",link=\"" + controllers[size_t(&kind - kinds) + 1].link + "\"}";
        if (std::string(kind.up) == "1") {
            ASSERT_TRUE(waitUntil([&] { return value(scrape(*port).body, upSeries) == "1"; })) << kind.name << service->errors();
        }
        if (kind.call)
            kind.call(client);
        QByteArray text;
        const auto counted = [&] {
            text = scrape(*port).body;
            for (const auto& [series, least] : kind.atLeast) {
                const long n = count(text, series == "retries" ? "lumivex_retries_total" + labels + "}"
                                                               : "lumivex_transactions_total" + labels + ",result=\"" + series + "\"}");
                if (least == 0 ? n != 0 : n < least)
                    return false;
            }
            return value(text, upSeries) == kind.up;
        };
        EXPECT_TRUE(waitUntil(counted)) << kind.name << "\n" << text.toStdString();
        EXPECT_EQ(promtoolProblems(text), "") << kind.name;
    }
}

// A port another program holds: one line says so, and the bus is served.
TEST_F(MetricsProcess, APortInUseLeavesTheBusServed)
{
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
    const std::string listen = "127.0.0.1:" + std::to_string(holder.serverPort());
    start("Listen = " + listen + "\n");
    ASSERT_TRUE(service->waitForName(client.bus())) << service->errors();
    EXPECT_NE(service->errors().find("lumivexd: cannot serve /metrics on " + listen + ": "), std::string::npos) << service->errors();
    const QDBusMessage status = client.call(QStringLiteral("wall-a"), QStringLiteral("Status"));
    EXPECT_NE(status.type(), QDBusMessage::ErrorMessage) << status.errorMessage().toStdString();
}

// A Listen that is no address ends the start, naming the file and line.
TEST_F(MetricsProcess, AMalformedListenIsRefusedWithItsLine)
{
    start("Listen = 127.0.0.1:99999\n");
    EXPECT_EQ(service->waitForExit(), 1);
    const std::string line = (dir / "lumivexd.ini").string() + ":7: Listen: the port is a number 0..65535, not '99999'";
    EXPECT_NE(service->errors().find(line), std::string::npos) << service->errors();
}

}  // namespace
