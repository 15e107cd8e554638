// lumivexd's MQTT bridge against a real mosquitto broker on loopback, over
// zepta-sims: what a building's system sees and sends, and the broker's
// faults the service lives through.

#include "mqtt_broker.h"
#include "service/mqtt/discovery.h"
#include "private_bus.h"
#include "service_process.h"
#include "sim_process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <set>

using namespace lumivex::testing;
using namespace lumivex::service::mqtt;

namespace {

QJsonObject json(const std::string& text)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

std::string str(const QString& s)
{
    return s.toStdString();
}

bool hasPower(const std::string& payload)
{
    return json(payload).contains("power");
}

std::function<bool(const std::string&)> is(const std::string& wanted)
{
    return [wanted](const std::string& payload) { return payload == wanted; };
}

bool isConfig(const std::string& topic)
{
    return topic.rfind("homeassistant/", 0) == 0 && topic.ends_with("/config");
}

const std::string kBridgeState = "lumivex/hall-a/bridge/state";
const std::string kNorthPower = "homeassistant/switch/lumivex_hall-a_north/power/config";

// What a wall is made of in these tests: a simulated controller of a model.
struct WallSpec {
    std::string name;
    std::string model;
};

struct BridgeSettings {
    std::string node = "hall-a";
    std::string extra;  // more [MQTT] lines
    int writeIntervalMs = 200;
};

// One PC of the site: its own bus, walls and service.
struct Pc {
    explicit Pc(const char* clientName)
        : client(QString::fromLatin1(clientName))
    {
    }

    // Sims for the walls, then the service with an [MQTT] section for broker.
    void startWalls(const std::vector<WallSpec>& walls)
    {
        std::vector<ControllerSpec> inventory;
        for (const WallSpec& wall : walls) {
            const std::string log = (dir / (wall.name + ".log")).string();
            sims[wall.name] = std::make_unique<SimProcess>(std::vector<std::string>{"--persist", "--model", wall.model, "--log", log});
            ASSERT_TRUE(sims[wall.name]->started());
            inventory.push_back({wall.name, sims[wall.name]->slavePath()});
        }
        writeInventory(dir.path(), inventory);
    }

    void startService(const std::string& url, const BridgeSettings& settings = {})
    {
        const std::string mqtt = "[MQTT]\nBroker = " + url + "\nNode Id = " + settings.node + "\nWrite Interval ms = "
                                 + std::to_string(settings.writeIntervalMs) + "\nDiscovery Delay ms = 0\n" + settings.extra;
        service = std::make_unique<ServiceProcess>(dir.path(), kGenerousReplyWait, mqtt);
        ASSERT_TRUE(service->waitForName(client.bus())) << service->errors();
    }

    std::string topic(const std::string& wall, const std::string& what, const std::string& node = "hall-a") const
    {
        return "lumivex/" + node + "/" + wall + "/" + what;
    }

    // The frames a wall's controller received that change something.
    std::vector<Bytes> writes(const std::string& wall)
    {
        std::vector<Bytes> frames;
        for (const Bytes& f : loggedBytes((dir / (wall + ".log")).string(), "rx"))
            if (!(f.size() == 4 && (f[1] == 3 || f[1] == 4 || f[1] == 26)))
                frames.push_back(f);
        return frames;
    }

    PrivateBus bus;  // before the client, which connects to it
    TempDir dir;
    ServiceClient client;
    std::map<std::string, std::unique_ptr<SimProcess>> sims;
    std::unique_ptr<ServiceProcess> service;
};

class Bridge : public ::testing::Test, public Pc {
public:
    Bridge()
        : Pc("bridge-test")
    {
    }
};

// The discovery configs on the broker for one wall: topic to payload.
std::map<std::string, std::string> announced(MqttProbe& probe, const std::string& device)
{
    std::map<std::string, std::string> configs;
    for (const ProbeMessage& m : probe.messages())
        if (isConfig(m.topic) && m.topic.find("/" + device + "/") != std::string::npos)
            configs[m.topic] = m.payload;
    return configs;
}

// The kind of a topic of the bridge's, as the retained table names it.
std::string kind(const std::string& topic)
{
    return topic == kBridgeState ? "bridge" : isConfig(topic) ? "discovery" : topic.substr(topic.rfind('/') + 1);
}

}  // namespace

TEST_F(Bridge, AWallIsSwitchedOnByAMessageAnnouncedAndUnavailableOnceTheServiceIsKilled)
{
    MosquittoBroker broker;
    MqttProbe probe(broker);
    startWalls({{"north", "K410"}, {"south", "K420"}});
    startService(broker.url());

    ASSERT_TRUE(probe.waitForMessage(kBridgeState, is("online"))) << service->errors();
    for (const char* wall : {"north", "south"}) {
        ASSERT_TRUE(probe.waitForMessage(topic(wall, "availability"), is("online"))) << wall;
        ASSERT_TRUE(probe.waitForMessage(topic(wall, "state"), hasPower));
    }

    // Switched off, then on, as a building's system does it.
    for (const char* power : {"off", "on"}) {
        probe.publish(topic("north", "set"), std::string("{\"power\": \"") + power + "\"}");
        ASSERT_TRUE(probe.waitForMessage(topic("north", "state"),
                                         [&](const std::string& p) { return str(json(p).value("power").toString()) == power; }))
            << service->errors();
    }
    const QJsonObject state = json(probe.latest()[topic("north", "state")]);
    for (const char* key : {"model", "input", "power", "osd", "gpi", "gpo", "resolution", "layout", "mask", "sizes", "link", "readback"})
        EXPECT_TRUE(state.contains(QLatin1String(key))) << key;
    EXPECT_EQ(state.value("model").toString(), "K410");

    // Discovery: what the model and the link offer (the entities' table is
    // the library's test), for the wall that answered as each model.
    for (const auto& [wall, model] : {std::pair("north", 0), std::pair("south", 1)}) {
        DiscoveryContext context;
        context.prefix = QStringLiteral("homeassistant");
        context.topics = Topics{QStringLiteral("lumivex"), QStringLiteral("hall-a")};
        context.controller = QString::fromLatin1(wall);
        context.link = QString::fromStdString(sims[wall]->slavePath());
        context.model = model;
        std::map<std::string, std::string> wanted;
        for (const DiscoveryMessage& m : discoveryMessages(context))
            wanted[str(m.topic)] = m.payload.toStdString();
        ASSERT_GT(wanted.size(), 10u);
        EXPECT_TRUE(waitUntil([&] { return announced(probe, "lumivex_hall-a_" + std::string(wall)) == wanted; })) << wall;
    }

    // Home Assistant's birth: only "online" has it all announced again. A /get
    // after each is the fence: its state follows the status the bridge handled.
    for (const auto& [status, again] : {std::pair("offline", false), std::pair("junk", false), std::pair("online", true)}) {
        SCOPED_TRACE(status);
        probe.clear();
        probe.publish("homeassistant/status", status);
        probe.publish(topic("north", "get"), status);
        ASSERT_TRUE(probe.waitForMessage(topic("north", "state"), hasPower));
        if (again) {
            EXPECT_TRUE(probe.waitForMessage(kNorthPower, [](const std::string& p) { return !p.empty(); }));
            continue;
        }
        const std::vector<ProbeMessage> seen = probe.messages();
        for (auto m = seen.begin(); m != seen.end() && m->topic != topic("north", "state"); ++m)
            EXPECT_FALSE(isConfig(m->topic)) << m->topic;
    }

    // Settled, and an error told: a late subscriber is given what is retained.
    probe.publish(topic("north", "set"), "{}");
    ASSERT_TRUE(probe.waitForMessage(topic("north", "error"), [](const std::string& p) { return json(p).value("command") == "{}"; }));
    {
        MqttProbe late(broker);
        late.fence();
        std::set<std::string> retained;
        for (const ProbeMessage& m : late.messages())
            if (m.retained)
                retained.insert(kind(m.topic) + "=" + (isConfig(m.topic) || kind(m.topic) == "state" ? "" : m.payload));
        EXPECT_EQ(retained, (std::set<std::string>{"bridge=online", "availability=online", "state="}));
    }

    // Killed: the broker says so for it, retained for whoever comes later.
    ::kill(service->pid(), SIGKILL);
    service->waitForExit();
    EXPECT_TRUE(probe.waitForMessage(kBridgeState, is("offline")));
    MqttProbe after(broker);
    after.fence();
    const auto will = after.waitForMessage(kBridgeState, [](const std::string&) { return true; });
    ASSERT_TRUE(will);
    EXPECT_EQ(will->payload, "offline");
    EXPECT_TRUE(will->retained);
    // Everything the bridge sent came at the QoS it subscribed with.
    EXPECT_EQ(probe.qosSeen(), std::set<int>{1});
}

// The broker's faults: the service lives through each, keeps serving the
// bus, and says what is wrong once, not at every retry.
struct BrokerFault {
    const char* name;
    BrokerOptions broker;
    // The [MQTT] lines beyond the broker's address, given its folder.
    std::function<std::string(const MosquittoBroker&)> settings;
    // A line the service's log holds exactly once, after several attempts; none for a connection made.
    const char* problem;
};

void PrintTo(const BrokerFault& row, std::ostream* out)
{
    *out << row.name;
}

class BrokerFaults : public Bridge, public ::testing::WithParamInterface<BrokerFault> {};

TEST_P(BrokerFaults, TheServiceServesTheBusThroughoutAndTheBridgeConnectsWhenItCan)
{
    const BrokerFault& row = GetParam();
    MosquittoBroker broker(row.broker);
    startWalls({{"north", "K410"}});
    startService(broker.url(), {"hall-a", row.settings ? row.settings(broker) : std::string()});
    if (row.broker.startLater) {
        // Down at start: the bus is served while the bridge waits.
        EXPECT_TRUE(waitUntil([&] { return client.property("north", "Available").toBool(); }));
        broker.start();
    }
    if (row.problem) {
        // Several attempts, told once.
        ASSERT_TRUE(waitUntil([&] { return broker.logCount("New connection from") >= 3; }, std::chrono::seconds(60)))
            << broker.log();
        const std::string log = service->errors();
        int told = 0;
        for (auto at = log.find(row.problem); at != std::string::npos; at = log.find(row.problem, at + 1))
            ++told;
        EXPECT_EQ(told, 1) << log;
        EXPECT_EQ(client.call("north", "Status").type(), QDBusMessage::ReplyMessage);
        return;
    }
    MqttProbe probe(broker);
    ASSERT_TRUE(probe.waitForMessage(kBridgeState, is("online"))) << service->errors();
    ASSERT_TRUE(probe.waitForMessage(topic("north", "availability"), is("online")));

    // Restarted without its memory: everything is told to it again.
    broker.stop();
    broker.start();
    MqttProbe again(broker);
    EXPECT_TRUE(again.waitForMessage(kBridgeState, is("online"))) << service->errors();
    EXPECT_TRUE(again.waitForMessage(topic("north", "availability"), is("online")));
    EXPECT_TRUE(again.waitForMessage(topic("north", "state"), hasPower));
    EXPECT_TRUE(again.waitForMessage(kNorthPower, [](const std::string& p) { return !p.empty(); }));
}

std::string passwordFile(const MosquittoBroker& broker, const std::string& password)
{
    const std::filesystem::path file = broker.folder() / ("password-" + password);
    std::ofstream(file) << password << "\n";
    return "User = site\nPassword File = " + file.string() + "\n";
}

BrokerOptions brokerWith(const std::function<void(BrokerOptions&)>& change)
{
    BrokerOptions options;
    change(options);
    return options;
}

INSTANTIATE_TEST_SUITE_P(
    Mqtt, BrokerFaults,
    ::testing::Values(
        BrokerFault{"UpAndRestarted", {}, nullptr, nullptr},
        BrokerFault{"DownAtStart", brokerWith([](BrokerOptions& o) { o.startLater = true; }), nullptr, nullptr},
        BrokerFault{"RightPassword", brokerWith([](BrokerOptions& o) { o.user = "site", o.password = "right"; }),
                    [](const MosquittoBroker& b) { return passwordFile(b, "right"); }, nullptr},
        BrokerFault{"WrongPassword", brokerWith([](BrokerOptions& o) { o.user = "site", o.password = "right"; }),
                    [](const MosquittoBroker& b) { return passwordFile(b, "wrong"); }, "not authorised"},
        BrokerFault{"SiteCaAndClientCertificate", brokerWith([](BrokerOptions& o) { o.tls = o.requireClientCert = true; }),
                    [](const MosquittoBroker& b) {
                        return "CA File = " + b.certificates().ca.string() + "\nCert File = " + b.certificates().clientCert.string()
                               + "\nKey File = " + b.certificates().clientKey.string() + "\n";
                    },
                    nullptr},
        BrokerFault{"WrongCa", brokerWith([](BrokerOptions& o) { o.tls = true; }),
                    [](const MosquittoBroker& b) { return "CA File = " + b.certificates().otherCa.string() + "\n"; },
                    "certificate verify failed"}),
    [](const ::testing::TestParamInfo<BrokerFault>& info) { return std::string(info.param.name); });

// Every way a command can end without effect is told once on the error
// topic, naming it; a refused one never reaches the controller.
TEST_F(Bridge, ACommandWithoutEffectIsNamedOnceOnTheErrorTopicAndRefusedOnesAreNeverSent)
{
    MosquittoBroker broker;
    MqttProbe probe(broker);
    startWalls({{"south", "K420"}});
    startService(broker.url(), {"hall-a", "", 5000});  // a second write waits
    ASSERT_TRUE(probe.waitForMessage(topic("south", "state"), hasPower));
    const size_t before = writes("south").size();
    std::map<std::string, int> named{
        {"power on", 1},                  // not JSON
        {"[\"power\", \"on\"]", 1},       // not an object
        {"{}", 1},                        // nothing to do
        {"{\"power\": \"sideways\"}", 1},  // a value the setting does not take
        {"{\"colour\": \"red\"}", 1},      // no such setting
        {"{\"gpo\": \"1010\"}", 1},        // a K420 has no GPO
        {"{\"mask_h\": 10.5}", 1},        // beyond the mask's range
    };
    for (const auto& [command, once] : named)
        probe.publish(topic("south", "set"), command);
    const auto errorFor = [&](const std::string& command) {
        return probe.waitForMessage(topic("south", "error"), [&](const std::string& p) {
            return str(json(p).value("command").toString()) == command && !json(p).value("error").toString().isEmpty();
        });
    };
    for (const auto& [command, once] : named)
        ASSERT_TRUE(errorFor(command)) << command;
    std::map<std::string, int> told;
    const auto tally = [&] {
        for (const ProbeMessage& m : probe.messages())
            if (m.topic == topic("south", "error"))
                ++told[str(json(m.payload).value("command").toString())];
        probe.clear();
    };
    // A read-back after them all: by then any of them sent would be in the log.
    tally();
    probe.publish(topic("south", "get"), "");
    ASSERT_TRUE(probe.waitForMessage(topic("south", "state"), hasPower));
    EXPECT_EQ(writes("south").size(), before);

    // One write goes at once, the next waits out the interval; the controller
    // goes: the waiting one is dropped, and a /get finds nothing to read.
    probe.publish(topic("south", "set"), "{\"power\": \"off\"}");
    ASSERT_TRUE(probe.waitForMessage(topic("south", "state"), [](const std::string& p) { return json(p).value("power") == "off"; }));
    const std::string waiting = "{\"power\": \"on\"}", get = "read after it went";
    probe.publish(topic("south", "set"), waiting);
    probe.publish(topic("south", "set"), "[1]");  // refused after the one waiting was taken
    ASSERT_TRUE(errorFor("[1]"));
    ::kill(sims["south"]->pid(), SIGKILL);
    sims["south"]->waitForExit();
    probe.publish(topic("south", "get"), get);
    named[waiting] = named[get] = named["[1]"] = named["[2]"] = 1;
    ASSERT_TRUE(errorFor(get)) << service->errors();
    ASSERT_TRUE(errorFor(waiting)) << service->errors();
    probe.publish(topic("south", "set"), "[2]");  // after all the others' errors
    ASSERT_TRUE(errorFor("[2]"));
    tally();
    EXPECT_EQ(told, named);
}

// Two PCs, each with its own walls, on one broker: each wall once. A flood
// of commands: the device gets at most one write an interval, the last
// value wins, and a client on the bus is not kept waiting.
TEST_F(Bridge, TwoServicesOnOneBrokerShowEachWallOnceAndAFloodIsCoalescedAndStarvesNobody)
{
    MosquittoBroker broker;
    MqttProbe probe(broker);
    startWalls({{"north", "K410"}});
    startService(broker.url(), {"hall-a", ""});
    Pc other("bridge-test-b");
    other.startWalls({{"east", "K420"}});
    ASSERT_NO_FATAL_FAILURE(other.startService(broker.url(), {"hall-b", ""}));
    ASSERT_TRUE(probe.waitForMessage("lumivex/hall-b/east/state", hasPower));
    ASSERT_TRUE(probe.waitForMessage(topic("north", "state"), hasPower));
    EXPECT_TRUE(waitUntil([&] {
        std::set<std::string> devices;
        for (const ProbeMessage& m : probe.messages())
            if (m.topic.rfind("homeassistant/switch/", 0) == 0 && m.topic.find("/power/config") != std::string::npos)
                devices.insert(str(json(m.payload).value("device").toObject().value("identifiers").toArray().first().toString()));
        return devices == std::set<std::string>{"lumivex_hall-a_north", "lumivex_hall-b_east"};
    }));

    const size_t before = writes("north").size();
    const auto started = std::chrono::steady_clock::now();
    // on, off, on, off … and on last: the first to wait is off, the last on.
    constexpr int kCommands = 400;
    for (int i = 0; i < kCommands; ++i)
        probe.publish(topic("north", "set"), i % 2 && i != kCommands - 1 ? "{\"power\": \"off\"}" : "{\"power\": \"on\"}");
    EXPECT_EQ(client.call("north", "Status").type(), QDBusMessage::ReplyMessage);
    // The first write (on) went at once; the last to go is on again.
    std::vector<Bytes> sent;
    ASSERT_TRUE(waitUntil([&] {
        sent = writes("north");
        sent.erase(sent.begin(), sent.begin() + std::ptrdiff_t(before));
        return sent.size() >= 2 && sent.back() == sent.front();
    }));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    // One write at once, then at most one per 200 ms interval.
    EXPECT_LE(sent.size(), size_t(took.count() / 200 + 2)) << took.count() << " ms";
    EXPECT_TRUE(probe.waitForMessage(topic("north", "state"), [](const std::string& p) { return json(p).value("power") == "on"; }));
}
