// lumivexd as a process on a private bus, over zepta-sims on
// pseudo-terminals (one behind ser2net) and the simulated DDC/CI library:
// one row a thing a client meets.

#include "ctl_process.h"
#include "private_bus.h"
#include "ser2net_process.h"
#include "service_process.h"
#include "sim_process.h"

#include "control/service_names.h"
#include "panel/display_rules.h"
#include "service/status_values.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <numeric>

using namespace lumivex;
using namespace lumivex::testing;
using namespace lumivex::control::service_errors;

namespace {

// A value off the bus with its a{sv} unpacked, however deep.
QVariant plain(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QDBusVariant>())
        return plain(value.value<QDBusVariant>().variant());
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return value;
    QVariantMap map = qdbus_cast<QVariantMap>(value);
    for (QVariant& inner : map)
        inner = plain(inner);
    return map;
}

// The name of the service's error without its prefix (another's whole); none for a reply.
QString errorOf(const QDBusMessage& reply)
{
    const QString name = reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString();
    return name.startsWith(QLatin1String(control::kErrorPrefix)) ? name.mid(qsizetype(strlen(control::kErrorPrefix))) : name;
}

// A whole reply of the request's kind (settings 9 bytes, display 8): its length byte and command, summing to zero.
bool wholeReply(const QByteArray& bytes, uint8_t command)
{
    const int length = command == 4 ? 9 : 8;
    const int sum = std::accumulate(bytes.begin(), bytes.end(), 0, [](int total, char c) { return total + uint8_t(c); });
    return bytes.size() == length && uint8_t(bytes[0]) == length && uint8_t(bytes[1]) == command && sum % 256 == 0;
}

QByteArray request(uint8_t command)
{
    return QByteArray::fromRawData("\x04", 1) + char(command) + char(0) + char(uint8_t(-(4 + command)));
}

// One wait for every controller of the service: live ones answer well within
// it on a busy machine, and a silent one is given up (twice this) well
// inside the tests' patience.
constexpr std::chrono::milliseconds kFaultsReplyWait{1500};

class ServiceScenario;
struct Scenario {
    const char* name;
    bool inventoryWellFormed;
    std::function<void(ServiceScenario&)> run;
    std::chrono::milliseconds replyWait = kGenerousReplyWait;
};

class ServiceScenario : public ::testing::TestWithParam<Scenario> {
public:
    void SetUp() override
    {
        ASSERT_TRUE(Ser2NetProcess::installed()) << "ser2net is missing: scripts/setup installs it";
        for (auto [sim, link] : {std::pair(&serial, "wall-a"), std::pair(&behindServer, "unused"), std::pair(&fresh, "fresh")})
            ASSERT_TRUE((*sim = startSim(dir / link))->started()) << link;
        server = std::make_unique<Ser2NetProcess>(behindServer->slavePath(), dir.path().string());
        ASSERT_TRUE(server->started()) << server->output();
        writeInventory(dir.path(), {{"wall-a", (dir / "wall-a").string()}, {"wall-b", server->rawLink()},
                                    {"fresh", (dir / "fresh").string()}, {"ddc-1", "ddc"}});
        if (!GetParam().inventoryWellFormed)
            std::ofstream(dir / "controllers.ini", std::ios::app) << "[Controller COM7]\nLink = COM7\n";
        startService();
    }

    void startService()
    {
        service = std::make_unique<ServiceProcess>(dir.path(), GetParam().replyWait);
        ASSERT_TRUE(!GetParam().inventoryWellFormed || service->waitForName(client.bus())) << service->errors();
    }

    // A simulator reached through a link of its own (a symbolic link to its
    // pseudo-terminal), so a restarted one is found at the same path.
    std::unique_ptr<SimProcess> startSim(const std::filesystem::path& link)
    {
        auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--persist"});
        std::filesystem::remove(link);
        if (sim->started())
            std::filesystem::create_symlink(sim->slavePath(), link);
        return sim;
    }

    QVariantMap status(const QString& controller)
    {
        const QDBusMessage reply = client.call(controller, QStringLiteral("Status"));
        EXPECT_EQ(errorOf(reply), QString()) << reply.errorMessage().toStdString();
        return reply.arguments().isEmpty() ? QVariantMap() : plain(reply.arguments()[0]).toMap();
    }

    bool becomes(const QString& controller, bool available)
    {
        return waitUntil([&] { return client.property(controller, QStringLiteral("Available")).toBool() == available; });
    }

    PrivateBus bus;
    TempDir dir;
    ServiceClient client{QStringLiteral("scenario-client")};
    std::unique_ptr<SimProcess> serial;
    std::unique_ptr<SimProcess> behindServer;
    std::unique_ptr<SimProcess> fresh;
    std::unique_ptr<Ser2NetProcess> server;
    std::unique_ptr<ServiceProcess> service;
};

// Records the ValueChanged signals it is connected to: setting, value, client.
class ValueRecorder : public QObject {
    Q_OBJECT
public:
    QList<QVariantList> seen;
public Q_SLOTS:
    void record(const QDBusMessage& m) { seen.append({m.arguments().value(0), plain(m.arguments().value(1)), m.arguments().value(2)}); }
};

// Both links read as lumivex-ctl reads the same simulators once the service
// let them go; DDC/CI takes the library's own calls; two clients' exchanges
// never interleave. What was last read is there after a restart, before the
// link opens again.
void readsAsCtlAndKept(ServiceScenario& s)
{
    EXPECT_EQ(s.client.call("ddc-1", "SetVcp", {QVariant::fromValue(uchar(0xD6)), 0u}).arguments(), QVariantList{0});
    const QVariantList got = s.client.call("ddc-1", "GetVcp", {QVariant::fromValue(uchar(0xD6))}).arguments();
    ASSERT_EQ(got.size(), 3);
    EXPECT_TRUE(got[0].toInt() == 0 && got[1].toUInt() != 1u) << "read, and power no longer on";
    EXPECT_EQ(s.status("ddc-1").value("power").toString(), "off");
    // Two clients' exchanges on one controller, all under way at once: each gets its own whole reply.
    ServiceClient other(QStringLiteral("other-client"));
    std::vector<std::pair<QDBusPendingCall, uint8_t>> sent;  // and the command asked
    for (int i = 0; i < 32; ++i) {
        ServiceClient& c = i % 2 ? other : s.client;
        const uint8_t command = (i / 2 + i % 2) % 2 ? 3 : 4;  // each client alternates settings and display
        sent.emplace_back(c.bus().asyncCall(c.message("wall-b", "Exchange", {request(command), 3000u}), 15000), command);
    }
    for (auto& [call, command] : sent) {
        call.waitForFinished();
        const QByteArray bytes = call.reply().arguments().value(0).toByteArray();  // an error's: its message
        EXPECT_TRUE(wholeReply(bytes, command)) << errorOf(call.reply()).toStdString() << bytes.toHex(' ').toStdString();
    }
    const QVariantMap serial = s.status("wall-a");
    const QVariantMap network = s.status("wall-b");
    ASSERT_EQ(s.service->stop(), 0) << s.service->errors();
    for (const auto& [map, link] : {std::pair(serial, (s.dir / "wall-a").string()), std::pair(network, s.server->rawLink())}) {
        const CtlRun run = runCtl({"--link", link, "--ini", (s.dir / "ZEPTA.ini").string(), "status", "--json"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(map, service::statusMap(QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object())) << link << run.out;
    }
    for (const auto& sim : {s.serial.get(), s.fresh.get()})
        sim->terminate();
    s.server->stop();
    s.startService();
    EXPECT_EQ(s.client.property("wall-a", "Available").toBool(), false);
    EXPECT_GT(s.client.property("wall-a", "LastSeen").toLongLong(), 0);
    EXPECT_EQ(s.client.property("wall-a", "Model").toString(), "K410");
    EXPECT_EQ(s.client.property("fresh", "LastSeen").toLongLong(), 0) << "never read before, so nothing kept";
}

// Each way a controller fails, as its caller sees it; the others answer all along.
void faultsAsCallersSeeThem(ServiceScenario& s)
{
    const auto setPower = [&](uint flags) { return errorOf(s.client.call("wall-a", "Set", {QString("power"), QString("off"), flags})); };
    const auto exchange = [&](const char* c, uint waitMs) { return errorOf(s.client.call(c, "Exchange", {request(4), waitMs})); };
    // Silent: the simulator stopped, its port still there.
    const auto silent = [&](bool on) { return kill(s.serial->pid(), on ? SIGSTOP : SIGCONT) == 0; };
    const std::unique_ptr<void, std::function<void(void*)>> resume(&s, [&](void*) { silent(false); });
    ASSERT_TRUE(s.becomes("wall-a", true)) << s.service->errors();
    // A whole reply to a client's request is a sighting.
    const qint64 before = s.client.property("wall-a", "LastSeen").toLongLong();
    ASSERT_TRUE(waitUntil([&] { return QDateTime::currentMSecsSinceEpoch() > before; }));
    EXPECT_EQ(exchange("wall-a", 3000), QString());
    EXPECT_TRUE(waitUntil([&] { return s.client.property("wall-a", "LastSeen").toLongLong() > before; }));
    // A change not read back is sent all the same; one read back gets no reply, and the link is let go.
    ASSERT_TRUE(silent(true));
    EXPECT_EQ(setPower(control::kSetNoVerify), QString());
    EXPECT_EQ(s.status("wall-b").value("model").toString(), "K410");
    EXPECT_EQ(setPower(0), kNoReply);
    EXPECT_EQ(errorOf(s.client.call("wall-a", "Status")), kUnavailable);
    // A client's request unanswered, and the model query too: the link is let go.
    ASSERT_TRUE(silent(false) && s.becomes("wall-a", true) && silent(true)) << s.service->errors();
    EXPECT_EQ(exchange("wall-a", 100), QString());
    EXPECT_TRUE(s.becomes("wall-a", false)) << s.service->errors();
    // Gone, the simulator and the device server; the simulator back.
    ASSERT_TRUE(silent(false) && s.becomes("wall-a", true) && s.becomes("wall-b", true)) << s.service->errors();
    s.serial->terminate();
    s.server->stop();
    const QString first = errorOf(s.client.call("wall-b", "Status"));
    EXPECT_TRUE(first == kNoReply || first == kUnavailable) << first.toStdString();
    for (const char* gone : {"wall-a", "wall-b"})
        EXPECT_TRUE(s.becomes(gone, false) && exchange(gone, 100) == kUnavailable) << gone << s.service->errors();
    EXPECT_EQ(s.status("fresh").value("model").toString(), "K410");
    s.serial = s.startSim(s.dir / "wall-a");
    ASSERT_TRUE(s.becomes("wall-a", true)) << s.service->errors();
    EXPECT_EQ(s.status("wall-a").value("power").toString(), "on");
}

// Each change at the edge of what it takes, the last taken and the next
// refused, and each kind of controller refusing the other's calls. A change
// every client hears of, with the changer's name, as Status then reads it;
// saved, the changes make a fresh controller read the same.
struct Edge {
    const char* controller;
    const char* method;
    QVariantList args;
    const char* error;      // "" taken
    const char* says = "";  // how the refusal starts; taken, the setting every client hears of
};

void changesAtTheirEdges(ServiceScenario& s)
{
    // Never destroyed: the bus's thread may still look at a receiver after it is let go.
    static ValueRecorder& recorder = *new ValueRecorder;
    recorder.seen.clear();
    ServiceClient listener(QStringLiteral("listener"));
    const QString signal[] = {control::kServiceName, control::controllerObjectPath("wall-a"), control::kControllerInterface,
                              "ValueChanged"};
    const char* slot = SLOT(record(QDBusMessage));
    ASSERT_TRUE(listener.bus().connect(signal[0], signal[1], signal[2], signal[3], &recorder, slot));
    const std::unique_ptr<void, std::function<void(void*)>> unsubscribe(
        &recorder, [&](void*) { listener.bus().disconnect(signal[0], signal[1], signal[2], signal[3], &recorder, slot); });
    const auto hears = [&](const char* setting) {
        const QVariantList heard{setting, s.status("wall-a").value(setting), s.client.uniqueName()};
        return waitUntil([&] { return QCoreApplication::processEvents(), recorder.seen.contains(heard); });
    };
    const QByteArray longest = request(4) + QByteArray(252, '\0');  // the device skips the zeros
    const auto set = [](const char* setting, const QString& value, uint flags = 0) { return QVariantList{setting, value, flags}; };
    const qsizetype resolutions = resolutionLabels().size();
    const qsizetype layouts = displayModeLabels(0).size();  // the simulators' K410
    const Edge rows[] = {
        {"wall-a", "Exchange", {request(4), 10000u}, ""},
        {"wall-a", "Exchange", {request(4), 10001u}, kBadRequest},
        {"wall-a", "Exchange", {longest, 3000u}, ""},
        {"wall-a", "Exchange", {longest + '\0', 3000u}, kBadRequest},
        {"wall-a", "Set", set("gpo", "4=on"), "", "gpo"},
        {"wall-a", "Set", set("gpo", "5=on"), kBadRequest},
        {"wall-a", "Set", set("gpo", "0=on"), kBadRequest},
        {"wall-a", "Set", set("resolution", QString::number(resolutions - 1)), "", "resolution"},
        {"wall-a", "Set", set("resolution", QString::number(resolutions)), kBadRequest},
        {"wall-a", "Set", set("layout", QString::number(layouts - 1)), "", "layout"},
        {"wall-a", "Set", set("layout", QString::number(layouts)), kBadRequest},
        {"wall-a", "Set", set("input", "DVI"), "", "input"},
        {"wall-a", "Set", set("osd", "lock"), "", "osd"},
        {"wall-a", "Set", set("power", "off"), "", "power"},
        {"wall-a", "Set", set("power", "dim"), kBadRequest, "set power takes off|on"},
        {"wall-a", "Set", set("power", "on", 2), kBadRequest},
        {"wall-a", "Exchange", {QByteArray("\x04\x1c\x01\xdf", 4), 0u}, "", "power"},  // a client's own frame: power on
        {"wall-a", "Set", set("mask", "on --h 2.5 --v 3"), "", "mask"},
        {"fresh", "Apply", {QStringLiteral("[Device]\npower=dim\n")}, kBadRequest},
        {"ddc-1", "Exchange", {request(4), 100u}, kBadRequest},
        {"wall-a", "GetVcp", {QVariant::fromValue(uchar(0xD6))}, kBadRequest},
    };
    for (const Edge& row : rows) {
        const QDBusMessage reply = s.client.call(row.controller, row.method, row.args);
        const std::string seen = row.method + (": " + reply.errorMessage().toStdString()) + row.says;
        EXPECT_EQ(errorOf(reply), row.error) << seen;
        EXPECT_TRUE(*row.error ? reply.errorMessage().startsWith(row.says) : !*row.says || hears(row.says)) << seen;
    }
    EXPECT_EQ(s.status("wall-a").value("power").toString(), "on");
    const QDBusMessage saved = s.client.call("wall-a", "Save");
    ASSERT_EQ(errorOf(saved), QString()) << saved.errorMessage().toStdString();
    const QDBusMessage applied = s.client.call("fresh", "Apply", {saved.arguments().value(0)});
    ASSERT_EQ(errorOf(applied), QString()) << applied.errorMessage().toStdString();
    EXPECT_TRUE(applied.arguments().value(0).toStringList().contains("mask"));
    EXPECT_EQ(s.status("fresh"), s.status("wall-a"));
    // Applied again, nothing differs.
    EXPECT_EQ(s.client.call("fresh", "Apply", {saved.arguments().value(0)}).arguments().value(0).toStringList(), QStringList());
}

// Refused before the name is taken, naming the file and line.
void malformedInventory(ServiceScenario& s)
{
    EXPECT_EQ(s.service->waitForExit(), 1);
    const std::string line = (s.dir / "controllers.ini").string() + ":9: 'COM7' names a link";
    EXPECT_NE(s.service->errors().find(line), std::string::npos) << s.service->errors();
    EXPECT_FALSE(s.client.bus().interface()->isServiceRegistered(QString::fromLatin1(control::kServiceName)).value());
}

const Scenario kScenarios[] = {
    {"ReadsAsCtlAndKept", true, readsAsCtlAndKept},
    {"ChangesAtTheirEdges", true, changesAtTheirEdges},
    {"FaultsAsCallersSeeThem", true, faultsAsCallersSeeThem, kFaultsReplyWait},
    {"MalformedInventory", false, malformedInventory},
};

TEST_P(ServiceScenario, OverTheBus)
{
    GetParam().run(*this);
}

INSTANTIATE_TEST_SUITE_P(Service, ServiceScenario, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

#include "service_scenarios_test.moc"
