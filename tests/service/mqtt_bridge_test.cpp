// lumivexd's MQTT bridge against a real mosquitto broker on loopback, over zepta-sims: what a
// building's system sees and sends, and the broker's faults the service lives through.

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
#include <fstream>
#include <map>
#include <set>
#include <sstream>

using namespace lumivex::testing;
using namespace lumivex::service::mqtt;

namespace {

using Match = std::function<bool(const std::string&)>;
const auto json = [](const std::string& text) { return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object(); };
const Match hasPower = [](const std::string& payload) { return json(payload).contains("power"); };
const Match any = [](const std::string&) { return true; };
const auto is = [](const std::string& wanted) { return Match([wanted](const std::string& p) { return p == wanted; }); };
const auto power = [](const std::string& wanted) {
    return Match([wanted](const std::string& p) { return json(p).value("power").toString().toStdString() == wanted; });
};
const auto isConfig = [](const std::string& topic) { return topic.rfind("homeassistant/", 0) == 0 && topic.ends_with("/config"); };
const std::string kBridgeState = "lumivex/hall-a/bridge/state";
const std::string kNorthPower = "homeassistant/switch/lumivex_hall-a_north/power/config";

int occurrences(const std::string& text, const std::string& what)
{
    int n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The kind of a topic of the bridge's, as the retained table names it.
const auto kind = [](const std::string& topic) {
    return topic.ends_with("/bridge/state") ? "bridge" : isConfig(topic) ? "discovery" : topic.substr(topic.rfind('/') + 1);
};

// One PC of the site: its own bus, walls and service.
struct Pc {
    explicit Pc(const char* clientName) : client(QString::fromLatin1(clientName)) {}

    // Sims for the walls (name to model), then the service with an [MQTT] section for broker.
    void startWalls(const std::map<std::string, std::string>& walls)
    {
        std::vector<ControllerSpec> inventory;
        for (const auto& [name, model] : walls) {
            const std::string log = (dir / (name + ".log")).string();
            sims[name] = std::make_unique<SimProcess>(std::vector<std::string>{"--persist", "--model", model, "--log", log});
            ASSERT_TRUE(sims[name]->started());
            inventory.push_back({name, sims[name]->slavePath()});
        }
        writeInventory(dir.path(), inventory);
    }

    // extra: more [MQTT] lines.
    void startService(const std::string& url, const std::string& node = "hall-a", const std::string& extra = "", int intervalMs = 200)
    {
        const std::string mqtt = "[MQTT]\nBroker = " + url + "\nNode Id = " + node + "\nWrite Interval ms = " + std::to_string(intervalMs)
                                 + "\nDiscovery Delay ms = 0\n" + extra;
        service = std::make_unique<ServiceProcess>(dir.path(), kGenerousReplyWait, mqtt);
        ASSERT_TRUE(service->waitForName(client.bus())) << service->errors();
    }

    std::string topic(const std::string& wall, const std::string& what) const { return "lumivex/hall-a/" + wall + "/" + what; }

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

struct Bridge : ::testing::Test, Pc {
    Bridge() : Pc("bridge-test") {}
};

}  // namespace

// Walls of two PCs on one broker: switched by messages, announced each
// once, a flood coalesced, retained as told, and unavailable once killed.
TEST_F(Bridge, AWallIsSwitchedOnByAMessageAnnouncedAndUnavailableOnceTheServiceIsKilled)
{
    MosquittoBroker broker;
    MqttProbe probe(broker);
    startWalls({{"north", "K410"}, {"south", "K420"}});
    startService(broker.url());
    Pc other("bridge-test-b");
    other.startWalls({{"east", "K420"}});
    ASSERT_NO_FATAL_FAILURE(other.startService(broker.url(), "hall-b"));
    ASSERT_TRUE(probe.waitForMessage("lumivex/hall-b/east/state", hasPower));

    ASSERT_TRUE(probe.waitForMessage(kBridgeState, is("online"))) << service->errors();
    for (const char* wall : {"north", "south"}) {
        ASSERT_TRUE(probe.waitForMessage(topic(wall, "availability"), is("online"))) << wall;
        ASSERT_TRUE(probe.waitForMessage(topic(wall, "state"), hasPower));
    }

    // Switched off, then on, as a building's system does it.
    std::optional<ProbeMessage> state;
    for (const char* to : {"off", "on"}) {
        probe.publish(topic("north", "set"), std::string("{\"power\": \"") + to + "\"}");
        ASSERT_TRUE(state = probe.waitForMessage(topic("north", "state"), power(to))) << service->errors();
    }
    for (const char* key : {"model", "input", "power", "osd", "gpi", "gpo", "resolution", "layout", "mask", "sizes", "link", "readback"})
        EXPECT_TRUE(json(state->payload).contains(QLatin1String(key))) << key;
    EXPECT_EQ(json(state->payload).value("model").toString(), "K410");

    // Discovery: what the model and the link offer (the entities' table is
    // the library's test), for the wall that answered as each model.
    for (const auto& [wall, model] : {std::pair("north", 0), std::pair("south", 1)}) {
        const DiscoveryContext context{.prefix = QStringLiteral("homeassistant"),
                                       .topics = Topics{QStringLiteral("lumivex"), QStringLiteral("hall-a")},
                                       .controller = QString::fromLatin1(wall),
                                       .link = QString::fromStdString(sims[wall]->slavePath()),
                                       .model = model, .swVersion = {}, .supportUrl = {}};
        std::map<std::string, std::string> wanted;
        for (const DiscoveryMessage& m : discoveryMessages(context))
            wanted[m.topic.toStdString()] = m.payload.toStdString();
        ASSERT_GT(wanted.size(), 10u);
        EXPECT_TRUE(waitUntil([&] {
            std::map<std::string, std::string> announced;
            for (const ProbeMessage& m : probe.messages())
                if (isConfig(m.topic) && m.topic.find("/lumivex_hall-a_" + std::string(wall) + "/") != std::string::npos)
                    announced[m.topic] = m.payload;
            return announced == wanted;
        })) << wall;
    }
    EXPECT_TRUE(waitUntil([&] {
        std::set<std::string> devices;
        for (const ProbeMessage& m : probe.messages())
            if (m.topic.rfind("homeassistant/switch/", 0) == 0 && m.topic.ends_with("/power/config"))
                devices.insert(json(m.payload).value("device").toObject().value("identifiers").toArray().first().toString().toStdString());
        return devices == std::set<std::string>{"lumivex_hall-a_north", "lumivex_hall-a_south", "lumivex_hall-b_east"};
    }));

    // A flood on a wall not written yet: at most one write an interval, the
    // last value wins, and a client on the bus is not kept waiting.
    const size_t before = writes("south").size();
    const auto started = std::chrono::steady_clock::now();
    constexpr int kCommands = 400;  // on, off, on … and on last: the first to wait is off
    for (int i = 0; i < kCommands; ++i)
        probe.publish(topic("south", "set"), i % 2 && i != kCommands - 1 ? "{\"power\": \"off\"}" : "{\"power\": \"on\"}");
    EXPECT_EQ(client.call("south", "Status").type(), QDBusMessage::ReplyMessage);
    // The first write (on) went at once; the last to go is on again.
    std::vector<Bytes> sent;
    ASSERT_TRUE(waitUntil([&] {
        sent = writes("south");
        sent.erase(sent.begin(), sent.begin() + std::ptrdiff_t(before));
        return sent.size() >= 2 && sent.back() == sent.front();
    }));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    EXPECT_LE(sent.size(), size_t(took.count() / 200 + 2)) << took.count() << " ms";
    EXPECT_TRUE(probe.waitForMessage(topic("south", "state"), power("on")));

    // Home Assistant's birth: only "online" has it all announced again. A /get
    // after each is the fence: its state follows the status the bridge handled.
    for (const auto& [status, again] : {std::pair("offline", false), std::pair("junk", false), std::pair("online", true)}) {
        SCOPED_TRACE(status);
        probe.clear();
        probe.publish("homeassistant/status", status);
        probe.publish(topic("north", "get"), status);
        ASSERT_TRUE(probe.waitForMessage(topic("north", "state"), hasPower));
        EXPECT_TRUE(!again || probe.waitForMessage(kNorthPower, any));
        const std::vector<ProbeMessage> seen = probe.messages();
        for (auto m = seen.begin(); !again && m != seen.end() && m->topic != topic("north", "state"); ++m)
            EXPECT_FALSE(isConfig(m->topic)) << m->topic;
    }

    // Settled, and an error told: a late subscriber is given what is retained.
    probe.publish(topic("north", "set"), "{}");
    ASSERT_TRUE(probe.waitForMessage(topic("north", "error"), any));
    MqttProbe late(broker);
    late.fence();
    std::set<std::string> retained;
    for (const ProbeMessage& m : late.messages())
        if (m.retained)
            retained.insert(kind(m.topic) + "=" + (isConfig(m.topic) || kind(m.topic) == "state" ? "" : m.payload));
    EXPECT_EQ(retained, (std::set<std::string>{"bridge=online", "availability=online", "state="}));

    // Killed: the broker says so for it, retained for whoever comes later.
    ::kill(service->pid(), SIGKILL);
    service->waitForExit();
    EXPECT_TRUE(probe.waitForMessage(kBridgeState, is("offline")));
    MqttProbe after(broker);
    after.fence();
    const auto will = after.waitForMessage(kBridgeState, any);
    EXPECT_TRUE(will && will->payload == "offline" && will->retained);
    // All the bridge sent came at the QoS subscribed with.
    EXPECT_EQ(probe.qosSeen(), std::set<int>{1});
}

// The broker's faults: the service lives through each, keeps serving the bus, and says what is wrong once, not at every retry.
struct BrokerFault {
    const char* name;
    BrokerOptions broker;
    std::function<std::string(const MosquittoBroker&)> settings;  // [MQTT] lines beyond the broker's address
    const char* problem;  // held once by the service's log after several attempts; none for a connection made
};

class BrokerFaults : public Bridge, public ::testing::WithParamInterface<BrokerFault> {};

TEST_P(BrokerFaults, TheServiceServesTheBusThroughoutAndTheBridgeConnectsWhenItCan)
{
    const BrokerFault& row = GetParam();
    MosquittoBroker broker(row.broker);
    startWalls({{"north", "K410"}});
    startService(broker.url(), "hall-a", row.settings ? row.settings(broker) : "");
    if (row.broker.startLater) {
        // Down at start: the bus is served while the bridge waits.
        EXPECT_TRUE(waitUntil([&] { return client.property("north", "Available").toBool(); }));
        broker.start();
    }
    if (row.problem) {
        // Several attempts, told once.
        ASSERT_TRUE(waitUntil([&] { return occurrences(broker.log(), "New connection from") >= 3; }, std::chrono::seconds(60)));
        EXPECT_EQ(occurrences(service->errors(), row.problem), 1) << service->errors();
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
    EXPECT_TRUE(again.waitForMessage(kNorthPower, any));
}

// The settings of a client that logs in as site with this password.
auto passwordFile(const std::string& password)
{
    return [password](const MosquittoBroker& broker) {
        const std::filesystem::path file = broker.folder() / ("password-" + password);
        std::ofstream(file) << password << "\n";
        return "User = site\nPassword File = " + file.string() + "\n";
    };
}

INSTANTIATE_TEST_SUITE_P(
    Mqtt, BrokerFaults,
    ::testing::Values(
        BrokerFault{"UpAndRestarted", {}, nullptr, nullptr},
        BrokerFault{"DownAtStart", {.startLater = true}, nullptr, nullptr},
        BrokerFault{"RightPassword", {.user = "site", .password = "right"}, passwordFile("right"), nullptr},
        BrokerFault{"WrongPassword", {.user = "site", .password = "right"}, passwordFile("wrong"), "not authorised"},
        BrokerFault{"SiteCaAndClientCertificate", {.tls = true, .requireClientCert = true},
                    [](const MosquittoBroker& b) {
                        return "CA File = " + b.certificates().ca.string() + "\nCert File = " + b.certificates().clientCert.string()
                               + "\nKey File = " + b.certificates().clientKey.string() + "\n";
                    },
                    nullptr},
        BrokerFault{"WrongCa", {.tls = true}, [](const MosquittoBroker& b) { return "CA File = " + b.certificates().otherCa.string(); },
                    "certificate verify failed"}),
    [](const ::testing::TestParamInfo<BrokerFault>& info) { return std::string(info.param.name); });

// Every way a command can end without effect is told once on the error topic, naming it; a refused one never reaches the controller.
TEST_F(Bridge, ACommandWithoutEffectIsNamedOnceOnTheErrorTopicAndRefusedOnesAreNeverSent)
{
    MosquittoBroker broker;
    MqttProbe probe(broker);
    startWalls({{"south", "K420"}});
    startService(broker.url(), "hall-a", "", 5000);  // a second write waits
    ASSERT_TRUE(probe.waitForMessage(topic("south", "state"), hasPower));
    const size_t before = writes("south").size();
    const std::string waiting = "{\"power\": \"on\"}", get = "read after it went";
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
        const Match names = [&](const std::string& p) {
            return json(p).value("command").toString().toStdString() == command && !json(p).value("error").toString().isEmpty();
        };
        return probe.waitForMessage(topic("south", "error"), names).has_value();
    };
    for (const auto& [command, once] : named)
        ASSERT_TRUE(errorFor(command)) << command;
    // One write goes at once: any refused one sent would be in the log before it.
    probe.publish(topic("south", "set"), "{\"power\": \"off\"}");
    ASSERT_TRUE(probe.waitForMessage(topic("south", "state"), power("off")));
    EXPECT_EQ(writes("south").size(), before + 1);

    // The next waits out the interval; the controller goes: the waiting one
    // is dropped, and a /get finds nothing to read.
    probe.publish(topic("south", "set"), waiting);
    probe.publish(topic("south", "set"), "[1]");  // refused once the one waiting was taken
    ASSERT_TRUE(errorFor("[1]"));
    ::kill(sims["south"]->pid(), SIGKILL);
    sims["south"]->waitForExit();
    probe.publish(topic("south", "get"), get);
    ASSERT_TRUE(errorFor(get) && errorFor(waiting)) << service->errors();
    probe.publish(topic("south", "set"), "[2]");  // after all the others' errors
    ASSERT_TRUE(errorFor("[2]"));
    named[waiting] = named[get] = named["[1]"] = named["[2]"] = 1;
    std::map<std::string, int> told;
    for (const ProbeMessage& m : probe.messages())
        if (m.topic == topic("south", "error"))
            ++told[json(m.payload).value("command").toString().toStdString()];
    EXPECT_EQ(told, named);
}

// The site-to-centre bridge the docs give, as written but for where the
// centre is and its files: the walls' topics up and kept retained,
// commands and Home Assistant's status down, discovery up only, and the
// link's own state at the centre.
TEST(SiteBridge, TheDocumentedConfigurationCarriesWhatItSaysEachWay)
{
    MosquittoBroker central({.tls = true, .requireClientCert = true});
    std::ifstream doc(LUMIVEX_SOURCE_DIR "/docs/mqtt-sites.md");
    const std::string text{std::istreambuf_iterator<char>(doc), {}};
    const std::string opening = "```conf\nconnection ";
    const size_t from = text.find(opening);
    ASSERT_NE(from, std::string::npos);
    std::istringstream block(text.substr(from + 8, text.find("```", from + 8) - from - 8));
    const BrokerCertificates& trust = central.certificates();
    const std::map<std::string, std::string> here{{"address", "127.0.0.1:" + std::to_string(central.port())},
                                                  {"bridge_cafile", trust.ca.string()},
                                                  {"bridge_certfile", trust.clientCert.string()},
                                                  {"bridge_keyfile", trust.clientKey.string()}};
    std::string config;
    for (std::string line; std::getline(block, line);) {
        const std::string key = line.substr(0, line.find(' '));
        config += (here.count(key) ? key + " " + here.at(key) : line) + "\n";
    }
    MosquittoBroker site({.extraConfig = config});
    MqttProbe atCentre(central);
    MqttProbe atSite(site);
    ASSERT_TRUE(atCentre.waitForMessage("lumivex/_sites/north-building", is("1"))) << site.log();

    const std::string state = "lumivex/hall-a/north/state", discovery = "homeassistant/switch/lumivex_hall-a_north/power/config";
    atSite.publish(state, "{\"power\":\"on\"}", true);
    atSite.publish(discovery, "{}");
    ASSERT_TRUE(atCentre.waitForMessage(state, any) && atCentre.waitForMessage(discovery, any)) << site.log();
    MqttProbe late(central);
    late.fence();
    std::set<std::string> retained;
    for (const ProbeMessage& m : late.messages())
        if (m.retained)
            retained.insert(m.topic + "=" + m.payload);
    EXPECT_EQ(retained, (std::set<std::string>{"lumivex/_sites/north-building=1", state + "={\"power\":\"on\"}"}));

    // Down: commands and Home Assistant's status; another's discovery stays at the centre.
    atCentre.publish("homeassistant/switch/elsewhere/power/config", "{}");
    atCentre.publish("homeassistant/status", "online");
    atCentre.publish("lumivex/hall-a/north/set", "{\"power\":\"off\"}");
    ASSERT_TRUE(atSite.waitForMessage("lumivex/hall-a/north/set", any) && atSite.waitForMessage("homeassistant/status", is("online")));
    for (const ProbeMessage& m : atSite.messages())
        EXPECT_NE(m.topic, "homeassistant/switch/elsewhere/power/config");
}
