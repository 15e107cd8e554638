// The MQTT bridge's logic without a broker: its settings, its topics, the
// /set commands it takes, the pacing of writes over a driven clock, and the
// Home Assistant discovery it announces for each model and link.

#include "control/outcome.h"
#include "control/value_names.h"
#include "panel/display_rules.h"
#include "service/mqtt/commands.h"
#include "service/mqtt/discovery.h"
#include "service/mqtt/mqtt_settings.h"
#include "service/mqtt/topics.h"
#include "service/mqtt/write_coalescer.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

#include <fstream>
#include <map>
#include <random>

using namespace lumivex;
using namespace lumivex::service::mqtt;

namespace {

// The settings as one line, or the refusal.
QString settingsLine(const QString& text, const QString& host = QStringLiteral("wall-pc.example"))
{
    try {
        const std::optional<MqttSettings> s = parseMqttSettings(QStringLiteral("F"), text, host);
        if (!s)
            return QStringLiteral("off");
        return QString("%1 %2 %3 ").arg(s->host).arg(s->port).arg(s->tls ? "tls" : "plain")
               + QStringList{s->baseTopic, s->nodeId, s->clientId, s->user, s->passwordFile, s->caFile, s->certFile, s->keyFile}.join(' ')
               + QString(" %1 %2 %3 %4 %5 %6").arg(s->keepAliveS).arg(s->writeIntervalMs).arg(s->discovery ? "yes" : "no")
                     .arg(s->discoveryDelayMs).arg(s->retainDiscovery ? "yes" : "no", s->discoveryPrefix);
    } catch (const control::Failure& failure) {
        return failure.code == control::kExitUsage ? failure.line : QStringLiteral("not usage: ") + failure.line;
    }
}

TEST(MqttSettings, DefaultsAndEachRefusalNameTheLine)
{
    const std::pair<const char*, const char*> rows[] = {
        {"[Service]\nInventory = /x\n", "off"},
        {"", "off"},
        {"[MQTT]\nBroker = mqtt://broker.lan\n",
         "broker.lan 1883 plain lumivex wall-pc_example lumivexd-wall-pc_example      60 500 yes 5000 no homeassistant"},
        {"[mqtt]\nbroker=mqtts://broker.lan\n", "broker.lan 8883 tls lumivex wall-pc_example lumivexd-wall-pc_example      60 500 yes 5000 no homeassistant"},
        {"; x\n[MQTT]\nBroker = mqtts://[::1]:9883\nBase Topic = site\nNode Id = n_1\nClient Id = c\nUser = u\n"
         "Password File = /p\nCA File = /ca\nCert File = /c\nKey File = /k\nKeep Alive s = 5\nWrite Interval ms = 0\n"
         "Discovery = no\nDiscovery Delay ms = 600000\nRetain Discovery = YES\nDiscovery Prefix = ha\n[Service]\nBroker = x\n",
         "::1 9883 tls site n_1 c u /p /ca /c /k 5 0 no 600000 yes ha"},
        {"[MQTT]\n", "F:1: [MQTT] needs Broker"},
        {"[MQTT]\nBroker = http://h\n", "F:2: Broker takes mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not 'http://h'"},
        {"[MQTT]\nBroker = mqtt://h:0\n", "F:2: Broker takes"},
        {"[MQTT]\nBroker = mqtt://u:p@h\n", "F:2: Broker takes"},
        {"[MQTT]\nBroker = mqtt://h\nBase Topic = a/b\n", "F:3: Base Topic: 'a/b' is one topic level"},
        {"[MQTT]\nBroker = mqtt://h\nBase Topic = $SYS\n", "F:3: Base Topic: '$SYS' must not start with '$'"},
        {"[MQTT]\nBroker = mqtt://h\nNode Id = a.b\n", "F:3: Node Id takes letters, digits, '-' and '_', not 'a.b'"},
        {"[MQTT]\nBroker = mqtt://h\nKeep Alive s = 4\n", "F:3: Keep Alive s takes a whole number from 5 to 65535, not '4'"},
        {"[MQTT]\nBroker = mqtt://h\nWrite Interval ms = 60001\n", "F:3: Write Interval ms takes a whole number from 0 to 60000"},
        {"[MQTT]\nBroker = mqtt://h\nDiscovery = maybe\n", "F:3: Discovery takes yes or no, not 'maybe'"},
        {"[MQTT]\nBroker = mqtt://h\nbroker = mqtt://i\n", "F:3: broker is given twice (first on line 2)"},
        {"[MQTT]\nBroker = mqtt://h\nBROKER = mqtt://i\n", "F:3: BROKER is given twice (first on line 2)"},
        {"[Service]\n[MQTT]\nNode Id = n\n[mqtt]\nUser = u\n", "F:2: [MQTT] needs Broker"},
        {"[MQTT]\nBroker = mqtt://h\nHost = h\n", "F:3: [MQTT] takes Broker, Base Topic"},
        {"[MQTT]\nBroker\n", "F:2: a line of [MQTT] is 'Key = value'"},
        {"[MQTT]\nUser =\n", "F:2: User has no value"},
        {"[MQTT]\nCA File = /ca\nBroker = mqtt://h\n", "F:2: CA File is for a broker reached over TLS (mqtts://)"},
        {"[MQTT]\nBroker = mqtts://h\nKey File = /k\n", "F:3: Cert File and Key File go together"},
        {"[MQTT]\nBroker = mqtts://h\n\nCert File = /c\n", "F:4: Cert File and Key File go together"},
        {"[MQTT]\nBroker = mqtt://h\nPassword File = /p\n", "F:3: Password File needs User"},
    };
    for (const auto& [text, wanted] : rows)
        EXPECT_TRUE(settingsLine(text).startsWith(wanted)) << text << " -> " << qPrintable(settingsLine(text));
    // The host name gives the node; nothing usable left gives the program's name.
    EXPECT_EQ(settingsLine("[MQTT]\nBroker = mqtt://h\n", "ü.x").section(' ', 4, 5), "__x lumivexd-__x");
    EXPECT_EQ(settingsLine("[MQTT]\nBroker = mqtt://h\n", "").section(' ', 4, 5), "lumivexd lumivexd-lumivexd");
}

TEST(MqttSettings, PasswordIsTheFirstLineOfAFileThatIsThere)
{
    const lumivex::testing::TempDir dir;
    const auto file = [&](const char* name, const char* text) {
        std::ofstream(dir / name) << text;
        return QString::fromStdString((dir / name).string());
    };
    const std::pair<QString, const char*> rows[] = {
        {file("crlf", "s3cret\r\nsecond\n"), "s3cret"},
        {file("bare", "pa ss"), "pa ss"},
        {file("empty", ""), "the first line holds no password"},
        {file("blank", "\nsecond\n"), "the first line holds no password"},
        {QString::fromStdString((dir / "missing").string()), "no such file"},
        {QString::fromStdString(dir.path().string()), "is a regular file"},
    };
    for (const auto& [path, wanted] : rows) {
        QString why;
        const QString password = readPasswordFile(path, why);
        EXPECT_TRUE(password.isNull() ? why.startsWith(path) && why.contains(wanted) : password == wanted && why.isEmpty())
            << qPrintable(path) << " -> " << qPrintable(password) << " / " << qPrintable(why);
    }
}

TEST(MqttTopics, EachControllersTopicsComeBackAsItsCommandsOnly)
{
    const Topics t{"lumivex", "site-1"};
    for (const QString c : {"wall-a", "lobby_east", "x", "Bridge"}) {
        ASSERT_FALSE(controllerTopicProblem(c)) << qPrintable(c);
        for (const auto& [topic, kind] : {std::pair{t.set(c), Command::Kind::Set}, std::pair{t.get(c), Command::Kind::Get}}) {
            const std::optional<Command> m = t.match(topic);
            EXPECT_TRUE(m && m->controller == c && m->kind == kind) << qPrintable(topic);
        }
        // What the bridge subscribes to covers them, and nothing it publishes.
        for (const QString& filter : t.subscriptions())
            EXPECT_TRUE(QString(filter).replace('+', c) == t.set(c) || QString(filter).replace('+', c) == t.get(c));
        for (const QString& published : {t.state(c), t.availability(c), t.error(c), t.bridgeState()})
            EXPECT_FALSE(t.match(published)) << qPrintable(published);
    }
    for (const char* other : {"lumivex/site-2/wall-a/set", "other/site-1/wall-a/set", "lumivex/site-1/wall-a/set/x",
                              "lumivex/site-1//set", "lumivex/site-1/bridge/set", "lumivex/site-1/wall-a/SET"})
        EXPECT_FALSE(t.match(other)) << other;
    EXPECT_EQ(t.bridgeState() + ' ' + t.availability("wall-a"), "lumivex/site-1/bridge/state lumivex/site-1/wall-a/availability");
    EXPECT_TRUE(controllerTopicProblem("bridge") && controllerTopicProblem("bridge")->contains("rename it"));
}

// The writes as one line: "key=value", the GPO as bits/given, the mask's fields.
QString writesLine(const std::vector<WriteRequest>& writes)
{
    QStringList parts;
    for (const WriteRequest& w : writes) {
        QString part = writeKeyName(w.key);
        QStringList mask;
        if (w.mask.on)
            mask << (*w.mask.on ? "on" : "off");
        if (w.mask.hTenths)
            mask << 'h' + QString::number(*w.mask.hTenths);
        if (w.mask.vTenths)
            mask << 'v' + QString::number(*w.mask.vTenths);
        if (!w.mask.sizes.isEmpty())
            mask << w.mask.sizes;
        const QString value = w.key == WriteKey::Gpo    ? control::bitsText(w.gpo.bits) + '/' + control::bitsText(w.gpo.given)
                              : w.key == WriteKey::Mask ? mask.join(',')
                                                        : w.value;
        parts << part + (value.isEmpty() ? QString() : '=' + value);
    }
    return parts.join(' ');
}

QString commandLine(const QByteArray& payload, int32_t model)
{
    const ParsedCommand parsed = parseCommand(payload, {model});
    EXPECT_TRUE(parsed.error.isEmpty() != parsed.writes.empty()) << payload.toStdString();
    return parsed.error.isEmpty() ? writesLine(parsed.writes) : QStringLiteral("! ") + parsed.error;
}

constexpr int32_t K410 = 0;
constexpr int32_t K420 = 1;

TEST(MqttCommands, EachKindOfPayloadGivesItsWritesOrWhyNot)
{
    struct Row {
        const char* payload;
        int32_t model;
        const char* wanted;
    };
    const Row rows[] = {
        {R"({"input":"DVI","power":true})", K420, "power=on input=dvi"},
        {R"({"power":"off","input":"vga","osd":"lock"})", K410, "input=vga osd=lock power=off"},
        {R"({"input":"vga"})", K420, "! the K420 has no vga"},
        {R"({"input":"hdmi"})", K410, "! set input takes vga|component|dvi, not 'hdmi'"},
        {R"({"resolution":8})", K410, "resolution=8"},
        {R"({"resolution":"1920x1080"})", K420, "resolution=8"},
        {R"({"resolution":9})", K410, "! set resolution takes one of"},
        {R"({"resolution":1.5})", K410, "! resolution takes a whole number, not 1.5"},
        {R"({"layout":"2x3"})", K420, "layout=2"},
        {R"({"layout":"2x3"})", K410, "! set layout takes one of 1x1 1x2 2x2 Mode1"},
        {R"({"layout":0})", -1, "! set layout takes one of (no model known)"},
        {R"({"gpo":"5=on"})", K410, "! set gpo takes four digits"},
        {R"({"gpo2":"on"})", K420, "! the K420 has no GPIO"},
        {R"({"mask":"on"})", K410, "mask=on"},
        {R"({"mask":false})", K410, "mask=off"},
        {R"({"mask":"on --h 2.5"})", K410, "mask=on,h25,v0"},
        {R"({"mask_h":2.3})", K420, "mask=h23"},
        {R"({"mask_v":2.35})", K410, "! mask_v takes a percentage"},
        {R"({"mask":"on --bezel 12,8 --viewable 600,340"})", K410, "mask=on,on --bezel 12,8 --viewable 600,340"},
        {R"({"mask":"on --bezel 12,8 --viewable 600,340","mask_v":1})", K410, "! a mask from --bezel and --viewable takes no"},
        {R"({"mask":"off --h 2"})", K410, "! set mask off takes no options"},
        {R"({"mask":"off now"})", K410, "! set mask off takes no options"},
        {R"({"mask":"on --bezel 12,8"})", K410, "! set mask: --bezel and --viewable go together"},
        {R"({"mask":"on --bezel 12,-8 --viewable 600,340"})", K410, "! set mask: --bezel takes W,H in mm, not '12,-8'"},
        {R"({"identify":true,"factory_reset":"PRESS"})", K420, "identify factory_reset"},
        {R"({"identify":false})", K410, "! identify takes true or \"press\", not false"},
        {R"({"auto_adjust":true})", K420, "! the K420 has no auto adjust"},
        {R"({"power":"on","volume":3})", K410, "! /set takes input, power, osd, rotation, gpo, resolution, layout, mask, gpo1"},
        {R"({"power":"on","POWER":"off"})", K410, "! power is given twice"},
        {R"({"osd":1})", K410, "! osd takes a string, not 1"},
        {R"({})", K410, "! the command sets nothing"},
        {R"([{"power":"on"}])", K410, "! a command is a JSON object of settings"},
        {R"(power=on)", K410, "! not JSON:"},
    };
    for (const Row& row : rows) {
        const QString got = commandLine(row.payload, row.model);
        EXPECT_TRUE(got.startsWith(QLatin1String(row.wanted))) << row.payload << " -> " << qPrintable(got);
    }
    // The error goes back with the command as it came, quotes and all.
    const QByteArray received = R"({"power": "dim \"x\""})";
    EXPECT_EQ(QJsonDocument::fromJson(errorPayload("why", received)).object(),
              (QJsonObject{{"error", "why"}, {"command", QString::fromUtf8(received)}}));
}

// Every bounded input at its limit and one past it.
TEST(MqttCommands, EachBoundTakesItsLimitAndRefusesOnePast)
{
    const auto sized = [](qsizetype n) { return QByteArray(R"({"power":"on"})").insert(1, QByteArray(n - 14, ' ')); };
    const std::pair<QByteArray, const char*> rows[] = {
        {sized(kMaxCommandBytes), "power=on"},
        {sized(kMaxCommandBytes + 1), "! a command is at most 4096 bytes, not 4097"},
        {R"({"mask":"on --h 10 --v 10"})", "mask=on,h100,v100"},
        {R"({"mask":"on --h 10.1"})", "! set mask: --h takes a percentage from 0 to 10, not '10.1'"},
        {R"({"mask":"on --v 10.1"})", "! set mask: --v takes a percentage from 0 to 10, not '10.1'"},
        {R"({"mask_h":10,"mask_v":"10.0"})", "mask=h100,v100"},
        {R"({"mask_h":10.1})", "! mask_h takes a percentage from 0.0 to 10.0 in steps of 0.1, not 10.1"},
        {R"({"mask_v":"10.1"})", "! mask_v takes a percentage from 0.0 to 10.0"},
    };
    for (const auto& [payload, wanted] : rows)
        EXPECT_TRUE(commandLine(payload, K410).startsWith(QLatin1String(wanted))) << payload.left(40).toStdString() << " -> "
                                                                                 << qPrintable(commandLine(payload, K410));
    const QString lastResolution = QString::number(lumivex::resolutionLabels().size() - 1);
    EXPECT_EQ(commandLine(R"({"resolution":)" + lastResolution.toUtf8() + "}", K410), "resolution=" + lastResolution);
    EXPECT_TRUE(commandLine(R"({"resolution":"99"})", K410).endsWith(" or 0.." + lastResolution + ", not '99'"));
    // A topic level: one level, not the broker's own.
    for (const auto& [level, takes] : {std::pair{"$", false}, {"$x", false}, {"a$", true}, {"+", false}, {"#", false},
                                       {"a/b", false}, {"", false}, {"a", true}})
        EXPECT_EQ(!topicLevelProblem(QString::fromUtf8(level)), takes) << level;
}

// A device that takes writes as the controller does: the whole GPO byte, the
// mask whole. Fed every command at once or the coalesced writes, it must end
// the same.
struct Device {
    std::map<WriteKey, QString> values;
    uint8_t gpo = 0;
    MaskFields mask{false, 0, 0, {}};

    void take(const WriteRequest& w)
    {
        if (w.key == WriteKey::Gpo)
            gpo = uint8_t((gpo & ~w.gpo.given) | (w.gpo.bits & w.gpo.given));
        else if (w.key == WriteKey::Mask)
            mask = {w.mask.on.value_or(*mask.on), w.mask.hTenths.value_or(*mask.hTenths),
                    w.mask.vTenths.value_or(*mask.vTenths), {}};
        else
            values[w.key] = w.value;
    }
    QString line() const
    {
        QStringList v;
        for (const auto& [key, value] : values)
            v << value;
        return v.join(' ') + QString(" %1 %2 %3 %4").arg(gpo).arg(*mask.on).arg(*mask.hTenths).arg(*mask.vTenths);
    }
};

// Whole and single GPO keys mixed, on any starting outputs: a single key
// says its output, the whole key the rest it names, the others stay.
TEST(MqttCommands, GpoKeysLeaveEachOutputAsItsKeySays)
{
    std::mt19937 random(11);
    const QJsonValue words[] = {true, false, "on", "off", "ON", "Off"};
    for (int round = 0; round < 400; ++round) {
        QJsonObject command;
        int wanted[5] = {-1, -1, -1, -1, -1};  // by output; -1: stays
        if (random() % 2) {
            QString digits;
            for (int n = 4; n >= 1; --n)
                digits += QChar(u'0' + (wanted[n] = int(random() % 2)));
            command["gpo"] = digits;
        } else if (random() % 2) {
            const int n = int(random() % 4) + 1;
            wanted[n] = int(random() % 2);
            command["gpo"] = QString("%1=%2").arg(n).arg(wanted[n] ? "on" : "off");
        }
        for (int n = 1; n <= 4; ++n)
            if (random() % 2 || command.isEmpty()) {
                const QJsonValue word = words[random() % std::size(words)];
                wanted[n] = word.isBool() ? word.toBool() : word.toString().toLower() == "on";
                command[QString("gpo%1").arg(n)] = word;
            }
        Device device;
        device.gpo = uint8_t(random() % 16);
        const uint8_t start = device.gpo;
        const ParsedCommand parsed = parseCommand(QJsonDocument(command).toJson(), {K410});
        ASSERT_TRUE(parsed.error.isEmpty()) << qPrintable(parsed.error);
        for (const WriteRequest& w : parsed.writes)
            device.take(w);
        for (int n = 1; n <= 4; ++n)
            EXPECT_EQ(device.gpo >> (n - 1) & 1, wanted[n] < 0 ? start >> (n - 1) & 1 : wanted[n])
                << "GPO-" << n << " from " << int(start) << " by " << QJsonDocument(command).toJson().toStdString();
    }
}

std::vector<WriteRequest> randomCommand(std::mt19937& random)
{
    const char* const payloads[] = {
        R"({"power":"on"})", R"({"power":"off"})", R"({"input":"dvi"})", R"({"input":"vga"})", R"({"gpo1":"on"})",
        R"({"gpo2":"off","gpo3":"on"})", R"({"gpo":"1010"})", R"({"mask":"on"})", R"({"mask":"off"})",
        R"({"mask_h":1.5})", R"({"mask_v":7,"mask_h":0.1})", R"({"layout":2,"resolution":3})", R"({"resolution":5})",
        R"({"osd":"lock","power":"on"})",
    };
    const ParsedCommand parsed = parseCommand(payloads[random() % std::size(payloads)], {K410});
    EXPECT_TRUE(parsed.error.isEmpty()) << qPrintable(parsed.error);
    return parsed.writes;
}

// Random commands, often several within an interval: each key paced on its
// own, none later than an interval after it was asked for whatever the
// others do, and the device ends as if it had taken every command at once.
TEST(MqttWriteCoalescer, PacedPerKeyLastValueWinsAndNoKeyWaitsBehindAnother)
{
    for (const qint64 interval : {0, 1, 40, 500}) {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            std::mt19937 random(seed);
            WriteCoalescer coalescer(interval);
            Device direct;
            Device paced;
            std::map<WriteKey, qint64> lastOut;
            std::map<WriteKey, qint64> waitingSince;  // accepted and not yet out
            const auto drain = [&](qint64 now) {
                for (const PendingWrite& w : coalescer.due(now)) {
                    const WriteKey key = w.request.key;
                    ASSERT_LE(w.dueMs, now);
                    if (lastOut.count(key)) {
                        EXPECT_GE(now - lastOut[key], interval) << "key " << qPrintable(writeKeyName(key));
                    }
                    // Due no later than an interval after the first write that waited.
                    ASSERT_TRUE(waitingSince.count(key));
                    EXPECT_LE(w.dueMs - waitingSince[key], interval) << "key " << qPrintable(writeKeyName(key));
                    lastOut[key] = now;
                    waitingSince.erase(key);
                    paced.take(w.request);
                }
            };
            qint64 now = 0;
            for (int step = 0; step < 300; ++step) {
                now += random() % 3 ? qint64(random() % 60) : 0;  // bursts too
                drain(now);
                const std::vector<WriteRequest> writes = randomCommand(random);
                std::map<WriteKey, bool> idle;
                for (const WriteRequest& w : writes)
                    idle[w.key] = !lastOut.count(w.key) || now - lastOut[w.key] >= interval;
                ASSERT_TRUE(coalescer.accept(writes, "c", now).accepted);
                for (const WriteRequest& w : writes) {
                    direct.take(w);
                    waitingSince.emplace(w.key, now);
                }
                drain(now);
                // Leading edge: a key idle for an interval goes at once; a busy one waits.
                for (const auto& [key, wasIdle] : idle)
                    EXPECT_EQ(lastOut.count(key) && lastOut[key] == now && !waitingSince.count(key), wasIdle)
                        << "key " << qPrintable(writeKeyName(key)) << " at " << now << " seed " << seed;
            }
            while (const std::optional<qint64> next = coalescer.nextDueMs()) {
                ASSERT_GE(*next, now);
                now = *next;
                drain(now);
            }
            EXPECT_EQ(coalescer.waitingCommands(), 0);
            EXPECT_EQ(paced.line(), direct.line()) << "interval " << interval << " seed " << seed;
        }
    }
}

TEST(MqttWriteCoalescer, AtMost64CommandsWaitAndARefusedOneLeavesNothing)
{
    WriteCoalescer coalescer(1000);
    const std::vector<WriteRequest> gpo = parseCommand(R"({"gpo1":"on"})", {K410}).writes;
    const std::vector<WriteRequest> two = parseCommand(R"({"gpo2":"on","input":"dvi"})", {K410}).writes;
    ASSERT_TRUE(coalescer.accept(gpo, "first", 0).accepted);
    ASSERT_EQ(coalescer.due(0).size(), 1u);  // idle: out at once, so nothing waits
    for (int i = 0; i < WriteCoalescer::kMaxWaitingCommands; ++i)
        ASSERT_TRUE(coalescer.accept(gpo, QByteArray::number(i), 10 + i).accepted) << i;
    EXPECT_EQ(coalescer.waitingCommands(), 64);
    const Verdict refused = coalescer.accept(two, "65th", 80);
    EXPECT_TRUE(!refused.accepted && refused.why.contains("64 commands already wait")) << qPrintable(refused.why);
    EXPECT_EQ(coalescer.nextDueMs(), 1000);
    EXPECT_TRUE(coalescer.due(999).empty());
    const std::vector<PendingWrite> out = coalescer.due(1000);
    ASSERT_EQ(out.size(), 1u) << "the refused command's input was not kept";
    EXPECT_EQ(QString("%1 %2 %3").arg(out[0].commands.size()).arg(out[0].commands.front(), out[0].commands.back()), "64 0 63");
    EXPECT_EQ(coalescer.waitingCommands(), 0);
    EXPECT_TRUE(coalescer.accept(two, "again", 1001).accepted);
    EXPECT_EQ(coalescer.clear(), QList<QByteArray>{"again"});
    EXPECT_FALSE(coalescer.nextDueMs());
    // A command's writes go in its order: power off last.
    ASSERT_TRUE(coalescer.accept(parseCommand(R"({"power":"off","mask":"off","input":"dvi"})", {K410}).writes, "c", 5000).accepted);
    QStringList order;
    for (const PendingWrite& w : coalescer.due(5000))
        order << writeKeyName(w.request.key);
    EXPECT_EQ(order.join(' '), "input mask power");
}

// A due write as the owner's thread runs it, from what the commands merged
// and the last status read.
TEST(MqttWriteCoalescer, DueWritesBecomeSetArgumentsFilledFromTheLastStatus)
{
    const QJsonObject status{{"gpo", "1000"}, {"mask", QJsonObject{{"on", true}, {"hTenths", 23}, {"vTenths", 10}}}};
    const QJsonObject off{{"gpo", QJsonValue()}, {"mask", QJsonObject{{"on", false}, {"hTenths", 23}, {"vTenths", 10}}}};
    struct Row {
        std::vector<const char*> payloads;  // merged in this order
        const QJsonObject& status;
        const char* wanted;
    };
    const Row rows[] = {
        {{R"({"input":"dvi"})", R"({"input":"vga"})"}, status, "set input vga"},
        {{R"({"gpo":"0101"})"}, off, "set gpo 0101"},
        {{R"({"gpo2":"on"})", R"({"gpo2":"off"})"}, off, "set gpo 2=off"},
        {{R"({"gpo2":"on"})", R"({"gpo1":"on"})"}, status, "set gpo 1011"},
        {{R"({"gpo2":"on","gpo4":"off"})"}, off, "refused the GPO outputs not named are not known yet"},
        {{R"({"mask":"on"})"}, off, "set mask on --h 2.3 --v 1.0"},
        {{R"({"mask_h":4.5})"}, status, "set mask on --h 4.5 --v 1.0"},
        {{R"({"mask_h":4.5})"}, off, "refused the mask is off, so its sides stay as they are"},
        {{R"({"mask_h":2.3})"}, off, "set mask off"},
        {{R"({"mask_h":1})", R"({"mask":"on --bezel 1,1 --viewable 50,50"})"}, status, "set mask on --bezel 1,1 --viewable 50,50"},
        {{R"({"mask":"on --bezel 1,1 --viewable 50,50"})", R"({"mask_v":1})"}, status, "set mask on --h 2.3 --v 1.0"},
        {{R"({"mask_v":1})"}, QJsonObject(), "refused the mask's other fields are not known yet"},
        {{R"({"mask":"off"})"}, QJsonObject(), "set mask off"},
        {{R"({"identify":true})"}, status, "identify"},
        {{R"({"factory_reset":true})"}, status, "factory reset"},
    };
    for (const Row& row : rows) {
        WriteCoalescer coalescer(100);
        coalescer.due(0);
        for (const char* payload : row.payloads)
            ASSERT_TRUE(coalescer.accept(parseCommand(payload, {K410}).writes, payload, 50).accepted) << payload;
        const std::vector<PendingWrite> out = coalescer.due(50);
        ASSERT_EQ(out.size(), 1u) << row.payloads.front();
        EXPECT_EQ(out[0].commands.size(), qsizetype(row.payloads.size()));
        const WriteCall call = writeCall(out[0], row.status);
        const QString kinds[] = {"set", "identify", "auto adjust", "factory reset", "refused"};
        const QString got = QStringList{kinds[int(call.kind)], call.setting, call.value, call.why}.join(' ').simplified();
        EXPECT_TRUE(got.startsWith(QLatin1String(row.wanted))) << row.payloads.front() << " -> " << qPrintable(got);
    }
}

// The keys Home Assistant documents for each component, of those an
// announcement may carry.
bool documented(const QString& component, const QString& key)
{
    static const QString common = "unique_id default_entity_id name availability availability_mode device origin "
                                  "entity_category enabled_by_default device_class ";
    static const QString state = "state_topic value_template ";
    static const QString command = "command_topic command_template ";
    static const std::map<QString, QStringList> keys{
        {"select", (common + state + command + "options").split(' ')},
        {"switch", (common + state + command + "state_on state_off payload_on payload_off").split(' ')},
        {"number", (common + state + command + "min max step unit_of_measurement").split(' ')},
        {"binary_sensor", (common + state + "payload_on payload_off").split(' ')},
        {"button", (common + command).split(' ', Qt::SkipEmptyParts)},
        {"sensor", (common + state).split(' ', Qt::SkipEmptyParts)},
    };
    return keys.at(component).contains(key);
}

TEST(MqttDiscovery, StateAndEntitiesFollowTheModelAndLinkAndCarryTheDocumentedKeys)
{
    struct Row {
        int32_t model;
        bool ddc;
        const char* link;
        bool retain;
    };
    const char* const common = "select/input select/resolution select/layout select/osd";
    const char* const after = "switch/power switch/mask number/mask_h number/mask_v";
    const char* const gpio = "switch/gpo1 switch/gpo2 switch/gpo3 switch/gpo4 "
                             "binary_sensor/gpi1 binary_sensor/gpi2 binary_sensor/gpi3 binary_sensor/gpi4";
    const QString tail = "button/factory_reset sensor/link sensor/readback";
    const Row rows[] = {
        {K410, false, "COM1", false}, {K410, true, "ddc:1", true}, {K420, false, "rfc2217://10.0.0.5:4001", true}, {K420, true, "ddc", false},
    };
    const Topics topics{"lumivex", "site-1"};
    // A state as the bridge publishes it, on one line: the status with the
    // link and the read-back time (none before the first); the templates read it.
    const QJsonObject status{{"link", "x"}, {"model", "K410"}, {"input", "dvi"}, {"power", "on"}, {"osd", "lock"}, {"rotation", "normal"},
                             {"gpi", "0001"}, {"gpo", "0010"}, {"resolution", QJsonObject{{"index", 8}, {"label", "1920x1080@60Hz"}}},
                             {"layout", QJsonObject{{"index", 0}, {"label", "1x1"}}},
                             {"mask", QJsonObject{{"on", true}, {"hTenths", 23}, {"vTenths", 10}}}, {"sizes", QJsonObject{}}};
    const QByteArray state = statePayload(status, "rfc2217://h:1", 1765300593123);
    const QJsonObject sample = QJsonDocument::fromJson(state).object();
    QJsonObject wantedState = status;
    wantedState["link"] = "rfc2217://h:1";
    wantedState["readback"] = "2025-12-09T17:16:33.123Z";
    EXPECT_EQ(sample, wantedState);
    EXPECT_FALSE(state.contains('\n'));
    EXPECT_EQ(QJsonDocument::fromJson(statePayload(status, "COM1", 0)).object().value("readback"), QJsonValue());
    std::vector<QSet<QString>> announcedOrRemoved;
    QSet<QString> everyEntity;
    for (const Row& row : rows) {
        const bool k410 = row.model == K410;
        const QString wanted = QStringList{common, row.ddc ? "" : "select/rotation", after, k410 ? gpio : "",
                                           k410 ? "button/identify button/auto_adjust" : "button/identify", tail}
                                   .join(' ')
                                   .simplified();
        const DiscoveryContext context{"homeassistant", topics, "wall-a", row.link, row.ddc, row.model, row.retain, "9.9", ""};
        const QJsonObject common{
            {"availability_mode", "all"},
            {"availability", QJsonArray{QJsonObject{{"topic", topics.bridgeState()}}, QJsonObject{{"topic", topics.availability("wall-a")}}}},
            {"device", QJsonObject{{"identifiers", QJsonArray{"lumivex_site-1_wall-a"}}, {"name", "wall-a"}, {"manufacturer", "ZEPTA"},
                                   {"model", control::modelNames()[row.model]}, {"hw_version", row.link}}},
            {"origin", QJsonObject{{"name", "lumivexd"}, {"sw_version", "9.9"}}}};
        QStringList got, topicsSent;
        QSet<QString> removed;
        for (const DiscoveryMessage& m : discoveryMessages(context)) {
            const QStringList levels = m.topic.split('/');
            ASSERT_EQ(levels.size(), 5) << qPrintable(m.topic);
            const QString& component = levels[1];
            const QString& object = levels[3];
            EXPECT_EQ(levels[0] + '/' + levels[2] + '/' + levels[4], "homeassistant/lumivex_site-1_wall-a/config");
            topicsSent << m.topic;
            if (m.payload.isEmpty()) {
                EXPECT_TRUE(m.retain) << "a removal clears a retained config: " << qPrintable(m.topic);
                removed << component + '/' + object;
                continue;
            }
            got << component + '/' + object;
            EXPECT_EQ(m.retain, row.retain);
            const QJsonObject c = QJsonDocument::fromJson(m.payload).object();
            const std::string entity = m.payload.toStdString();
            for (const QString& key : c.keys())
                EXPECT_TRUE(documented(component, key)) << key.toStdString() << " in " << entity;
            EXPECT_EQ(c.value("unique_id").toString(), "lumivex_site-1_wall-a_" + object);
            EXPECT_EQ(c.value("default_entity_id").toString(), component + ".lumivex_site_1_wall_a_" + object);
            for (const QString& key : common.keys())
                EXPECT_EQ(c.value(key), common.value(key)) << key.toStdString() << " in " << entity;
            // The factory reset starts disabled; the diagnostics are marked so.
            EXPECT_EQ(c.value("enabled_by_default"), object == "factory_reset" ? QJsonValue(false) : QJsonValue(QJsonValue::Undefined));
            EXPECT_EQ(c.value("entity_category").toString() + c.value("device_class").toString(),
                      object == "readback" ? "diagnostictimestamp" : object == "link" ? "diagnostic" : "");
            EXPECT_EQ(c.value("state_topic").toString(), component == "button" ? QString() : topics.state("wall-a")) << entity;
            // Every path a template reads is in the state.
            static const QRegularExpression path(R"(value_json((?:\.\w+)+))");
            for (auto match = path.globalMatch(c.value("value_template").toString()); match.hasNext();) {
                QJsonValue at = sample;
                for (const QString& part : match.next().captured(1).mid(1).split('.'))
                    at = at.toObject().value(part);
                EXPECT_FALSE(at.isUndefined()) << entity;
            }
            // A GPIO entity is on for a state with its own output's bit alone.
            static const QRegularExpression digit(R"(value_json\.(gp[io])\[(\d)\] == '1')");
            if (const QRegularExpressionMatch read = digit.match(c.value("value_template").toString()); read.hasMatch() || object.startsWith("gp")) {
                EXPECT_EQ(read.captured(1), object.left(3)) << entity;
                for (int n = 1; n <= 4; ++n) {
                    QString digits = "0000";
                    digits[4 - n] = '1';  // GPO-4 first
                    EXPECT_EQ(digits[read.captured(2).toInt()] == '1', object.endsWith(QString::number(n))) << entity << " bit " << n;
                }
            }
            // Every value Home Assistant may send makes a /set the bridge takes.
            const bool commands = component == "select" || component == "switch" || component == "number" || component == "button";
            EXPECT_EQ(c.value("command_topic").toString(), commands ? topics.set("wall-a") : QString()) << entity;
            EXPECT_EQ(c.contains("command_template"), commands) << entity;
            if (!commands)
                continue;
            QStringList values = component == "select"   ? c.value("options").toVariant().toStringList()
                                 : component == "switch" ? QStringList{c.value("payload_on").toString(), c.value("payload_off").toString()}
                                 : component == "number" ? QStringList{"0", "2.3", "10"}
                                                         : QStringList{"PRESS"};
            for (const QString& value : values) {
                const QByteArray set = c.value("command_template").toString().replace("{{ value }}", value).toUtf8();
                const ParsedCommand parsed = parseCommand(set, {row.model});
                EXPECT_TRUE(parsed.error.isEmpty()) << set.toStdString() << ": " << qPrintable(parsed.error) << " from " << entity;
            }
            if (component == "number") {
                EXPECT_EQ(QString("%1 %2 %3 %4").arg(c["min"].toDouble()).arg(c["max"].toDouble()).arg(c["step"].toDouble())
                              .arg(c["unit_of_measurement"].toString()),
                          "0 10 0.1 %");
            }
        }
        EXPECT_EQ(got.join(' '), wanted) << row.link;
        // What another model or link has is removed, and nothing announced is; each topic is sent once.
        EXPECT_EQ(QSet<QString>(topicsSent.begin(), topicsSent.end()).size(), topicsSent.size());
        EXPECT_FALSE(removed.intersects(QSet<QString>(got.begin(), got.end()))) << row.link;
        announcedOrRemoved.push_back(removed + QSet<QString>(got.begin(), got.end()));
        everyEntity.unite(QSet<QString>(got.begin(), got.end()));
    }
    for (const QSet<QString>& each : announcedOrRemoved)
        EXPECT_EQ(each, everyEntity);
    // Until the model is known, nothing is announced.
    EXPECT_TRUE(discoveryMessages({"ha", topics, "w", "COM1", false, -1, false, {}, {}}).empty());
}

}  // namespace
