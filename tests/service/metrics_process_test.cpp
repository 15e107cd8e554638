// lumivexd's metrics as a scraper and node-exporter meet them: the service
// as a process on a private bus over zepta-sims and the simulated DDC/CI
// library, /metrics over real HTTP, the textfile on disk, checked by promtool.

#include "private_bus.h"
#include "promtool_check.h"
#include "service_process.h"
#include "sim_process.h"

#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <map>

using namespace lumivex::testing;

namespace {

class MetricsProcess : public ::testing::Test {
public:
    // The service over these controllers, with this [Metrics] section after the fixture's.
    void start(const std::vector<ControllerSpec>& controllers, const std::string& metrics)
    {
        writeInventory(dir.path(), controllers);
        service = std::make_unique<ServiceProcess>(dir.path(), std::chrono::milliseconds(1500), "[Metrics]\n" + metrics);
    }

    // The port the service said it serves on; 0 when it said none.
    int boundPort()
    {
        const QRegularExpression told(QStringLiteral("metrics on http://127\\.0\\.0\\.1:(\\d+)/metrics"));
        QRegularExpressionMatch m;
        return waitUntil([&] { return (m = told.match(QString::fromStdString(service->errors()))).hasMatch(); }) ? m.captured(1).toInt() : 0;
    }

    static QByteArray body(const QByteArray& scraped) { return scraped.mid(scraped.indexOf('\n') + 1); }
    // One series' value in a text; -1 when it is not there.
    static double value(const QByteArray& text, const std::string& series)
    {
        const qsizetype at = text.indexOf('\n' + QByteArray::fromStdString(series) + ' ');
        return at < 0 ? -1 : text.mid(at + qsizetype(series.size()) + 2).split('\n')[0].toDouble();
    }

    QByteArray textfile() const
    {
        QFile file(QString::fromStdString((dir / "lumivex.prom").string()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    PrivateBus bus;
    TempDir dir;
    ServiceClient client{QStringLiteral("metrics-client")};
    std::unique_ptr<ServiceProcess> service;
};

// Each kind of controller, and what it counts once opened and called: at
// least so many of each series (one that fails is opened again and again):
// "plain" reads its model at the opening and two read-backs for Status;
// "forgetful" loses what it is sent, so its Set does not take.
struct Kind {
    const char* name;
    std::vector<std::string> simArgs;  // none: DDC/CI through the simulated library
    const char* method;                // called once up; "" none
    QVariantList args;
    std::map<std::string, double> atLeast;  // result label or "retries"; 0: exactly none
    double up;
    bool callFails = false;
};

TEST_F(MetricsProcess, EachKindOfAnswerIsCountedServedAndWritten)
{
    const Kind kinds[] = {
        {"plain", {"--persist"}, "Status", {}, {{"ok", 3}, {"no_reply", 0}, {"retries", 0}}, 1},
        {"late", {"--persist", "--drop-first"}, "", {}, {{"no_reply", 1}, {"retries", 1}, {"ok", 1}, {"damaged", 0}}, 1},
        {"garbled", {"--persist", "--garble", "checksum"}, "", {}, {{"damaged", 2}, {"retries", 1}, {"ok", 0}}, 0},
        {"ddc-1", {}, "GetVcp", {QVariant::fromValue(uchar(0x01))}, {{"refused", 1}, {"ok", 1}, {"no_reply", 0}}, 1},
        {"forgetful", {"--persist", "--forget-writes"}, "Set", {QString("power"), QString("off"), 0u},
         {{"not_verified", 1}, {"ok", 2}, {"refused", 0}}, 1, true},
    };
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::vector<ControllerSpec> controllers;
    for (const Kind& kind : kinds) {
        if (!kind.simArgs.empty())
            sims.push_back(std::make_unique<SimProcess>(kind.simArgs));
        ASSERT_TRUE(kind.simArgs.empty() || sims.back()->started()) << kind.name;
        controllers.push_back({kind.name, kind.simArgs.empty() ? "ddc" : sims.back()->slavePath()});
    }
    start(controllers, "Listen = 127.0.0.1:0\nTextfile = " + (dir / "lumivex.prom").string() + "\n");
    ASSERT_TRUE(service->waitForName(client.bus())) << service->errors();
    const int port = boundPort();
    ASSERT_NE(port, 0) << service->errors();
    for (size_t i = 0; i < std::size(kinds); ++i) {
        const Kind& kind = kinds[i];
        const std::string labels = "{controller=\"" + std::string(kind.name) + "\"";
        const std::string up = "lumivex_controller_up" + labels + ",link=\"" + controllers[i].link + "\"}";
        ASSERT_TRUE(!kind.up || waitUntil([&] { return value(curlMetrics(port), up) == 1; })) << kind.name << service->errors();
        const auto called = kind.callFails ? QDBusMessage::ErrorMessage : QDBusMessage::ReplyMessage;
        EXPECT_TRUE(!*kind.method || client.call(kind.name, kind.method, kind.args).type() == called) << kind.name;
        QByteArray text;
        EXPECT_TRUE(waitUntil([&] {
            text = curlMetrics(port);
            for (const auto& [series, least] : kind.atLeast) {
                const double n = value(text, series == "retries" ? "lumivex_retries_total" + labels + "}"
                                                                 : "lumivex_transactions_total" + labels + ",result=\"" + series + "\"}");
                if (least == 0 ? n != 0 : n < least)
                    return false;
            }
            return value(text, up) == kind.up;
        })) << kind.name << "\n" << text.toStdString();
        EXPECT_TRUE(text.startsWith("200 text/plain; version=0.0.4; charset=utf-8\n")) << text.left(80).toStdString();
        EXPECT_EQ(promtoolProblems(body(text)), "") << kind.name;
    }
    EXPECT_GT(value(curlMetrics(port), "lumivex_controller_last_readback_timestamp_seconds{controller=\"plain\"}"), 1e9);
    // The file follows within the second it may wait; stopped, nothing is up.
    EXPECT_TRUE(waitUntil([&] { return textfile() == body(curlMetrics(port)); })) << textfile().toStdString();
    ASSERT_EQ(service->stop(), 0) << service->errors();
    const QByteArray last = textfile();
    EXPECT_EQ(value(last, "lumivex_controller_up{controller=\"plain\",link=\"" + controllers[0].link + "\"}"), 0) << last.toStdString();
    EXPECT_EQ(promtoolProblems(last), "");
}

// A port in use is one line, and the bus is served; no port ends the start, naming the line.
TEST_F(MetricsProcess, APortInUseLeavesTheBusServedAndAMalformedOneIsRefused)
{
    SimProcess sim({"--persist"});
    QTcpServer holder;
    ASSERT_TRUE(sim.started() && holder.listen(QHostAddress::LocalHost, 0));
    const std::string listen = "127.0.0.1:" + std::to_string(holder.serverPort());
    start({{"plain", sim.slavePath()}}, "Listen = " + listen + "\n");
    ASSERT_TRUE(service->waitForName(client.bus())) << service->errors();
    EXPECT_NE(service->errors().find("lumivexd: cannot serve /metrics on " + listen + ": "), std::string::npos) << service->errors();
    ASSERT_EQ(service->stop(), 0);

    start({{"plain", sim.slavePath()}}, "Listen = 127.0.0.1:99999\n");
    EXPECT_EQ(service->waitForExit(), 1);
    const std::string line = (dir / "lumivexd.ini").string() + ":7: Listen: the port is a number 0..65535, not '99999'";
    EXPECT_NE(service->errors().find(line), std::string::npos) << service->errors();
}

}  // namespace
