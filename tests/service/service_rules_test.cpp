// lumivexd's rules without a bus or a device: the back-off as an owner
// asks for it, its settings file and what wins over it, the status as the
// bus carries it and as it is kept, and what a client's raw write changes.

#include "control/inventory.h"
#include "control/outcome.h"
#include "service/controller_owner.h"
#include "service/reconnect.h"
#include "service/service_settings.h"
#include "service/status_values.h"
#include "service/write_values.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <numeric>
#include <vector>

using namespace lumivex;
using namespace lumivex::service;
using namespace std::chrono_literals;

namespace {

// An owner whose port is not there: each opening fails, and the reopening
// it then asks for waits as the row says.
TEST(Reconnect, EachFailedOpeningWaitsLongerFromOneSecondToAMinute)
{
    const std::map<int, std::chrono::seconds> rows{{0, 1s}, {1, 1s}, {2, 2s}, {3, 4s}, {6, 32s}, {7, 60s}, {8, 60s}, {1000, 60s}};
    ControllerOwner owner(control::parseInventory("c.ini", "[Controller gone]\nLink = /nonexistent/ttyGone\n").controllers.at(0),
                          {"/nonexistent/ZEPTA.ini", {}}, QDBusConnection(QStringLiteral("none")));
    QTimer* reopen = nullptr;
    for (QTimer* timer : owner.findChildren<QTimer*>())
        reopen = timer->isSingleShot() ? timer : reopen;
    ASSERT_TRUE(reopen);
    for (int failures = 1; failures <= 8; ++failures) {
        owner.start();
        EXPECT_TRUE(!rows.contains(failures) || reopen->intervalAsDuration() == rows.at(failures)) << failures << " failed";
    }
    for (const auto& [failures, delay] : rows)
        EXPECT_EQ(reconnectDelay(failures), delay) << failures;
}

// What lumivexd runs with: the command line over LUMIVEX_INVENTORY over its
// settings file over the defaults; a refusal says why, with the file's line.
struct SettingsRow {
    QStringList args;    // after --config FILE
    const char* env;     // LUMIVEX_INVENTORY; nullptr unset
    const char* text;    // FILE's
    const char* wanted;  // "INVENTORY STATE-FOLDER", or how the refusal starts
};

TEST(ServiceSettings, TakeEachFromTheFirstThatGivesItAndRefuseWhatIsWrong)
{
    const lumivex::testing::TempDir dir;
    const QString config = QString::fromStdString((dir / "lumivexd.ini").string());
    const SettingsRow rows[] = {
        {{"--inventory", "/cli.ini"}, "/env.ini", "[Service]\nInventory = /file.ini\n", "/cli.ini /var/lib/lumivex"},
        {{}, "/env.ini", "[Service]\nInventory = /file.ini\n", "/env.ini /var/lib/lumivex"},
        {{}, nullptr, "[Service]\nInventory = /file.ini\nState directory = /srv/state\n", "/file.ini /srv/state"},
        {{}, nullptr, "", "/etc/lumivex/controllers.ini /var/lib/lumivex"},
        {{}, nullptr, "; note\n[Other]\nKey = x\n[service]\nstate DIRECTORY=/a\n", "/etc/lumivex/controllers.ini /a"},
        {{}, nullptr, "[Service]\nInventory = /etc/x.ini\nStatedirectory = /a\n", "FILE:3: [Service] takes"},
        {{}, nullptr, "[Service]\nState directory\n", "FILE:2: a line of [Service] is 'Key = value'"},
        {{}, nullptr, "[Service\n", "FILE:1: a section header ends with ']'"},
        {{}, nullptr, "[Service]\nInventory =\n", "FILE:2: Inventory has no value"},
        {{"--config", "/no/such/lumivexd.ini"}, nullptr, "", "/no/such/lumivexd.ini: no such file"},
        {{"--bus", "user"}, nullptr, "", "--bus takes system or session, not 'user'"},
        {{"--inventory"}, nullptr, "", "--inventory needs a value"},
        {{"--verbose"}, nullptr, "", "unknown argument '--verbose'"},
    };
    qunsetenv(kStateDirectoryEnv);
    for (const SettingsRow& row : rows) {
        std::ofstream(dir / "lumivexd.ini") << row.text;
        row.env ? qputenv(control::kInventoryEnv, row.env) : qunsetenv(control::kInventoryEnv);
        const QStringList args = QStringList{"--config", config} + row.args;
        const QString wanted = QString::fromLatin1(row.wanted).replace(QStringLiteral("FILE"), config);
        try {
            const ServiceSettings taken = readServiceSettings(args);
            EXPECT_EQ(taken.inventoryPath + ' ' + taken.stateDirectory, wanted) << args.join(' ').toStdString() << row.text;
        } catch (const control::Failure& failure) {
            EXPECT_TRUE(failure.code == control::kExitUsage && failure.line.startsWith(wanted))
                << args.join(' ').toStdString() << row.text << " -> " << failure.line.toStdString();
        }
    }
    qunsetenv(control::kInventoryEnv);
}

// On the bus: no nulls, no link, and whole numbers as integers but for the
// sizes in mm. Kept: read back as it was, and nothing else taken for it.
TEST(StatusValues, CarriedWholeButTheSizesAndKeptAsRead)
{
    const QJsonObject status{{"link", "COM1"}, {"exit", 0}, {"model", QJsonValue()}, {"power", "on"},
                             {"layout", QJsonObject{{"index", 2.0}, {"label", QJsonValue()}}},
                             {"sizes", QJsonObject{{"bezelWidth", 12.0}, {"viewableWidth", 500.5}}}};
    const QVariantMap map = statusMap(status);
    EXPECT_EQ(map.keys(), QStringList({"layout", "power", "sizes"}));
    EXPECT_EQ(map["layout"], QVariant(QVariantMap{{"index", 2}}));
    EXPECT_EQ(map["layout"].toMap()["index"].typeId(), QMetaType::Int);
    for (const QVariant& mm : map["sizes"].toMap())
        EXPECT_EQ(mm.typeId(), QMetaType::Double);
    const QJsonObject read{{"model", "K420"}, {"power", "off"}};
    QString why;
    const auto kept = parseStateFile(stateFileText({read, 1700000000123, true}), why);
    ASSERT_TRUE(kept) << why.toStdString();
    EXPECT_EQ(kept->status, read);
    EXPECT_EQ(kept->time, 1700000000123);
    EXPECT_TRUE(kept->available);
    for (const char* foreign : {"", "{\"time\": 5", "[1,2]", "{\"time\":-1,\"available\":true,\"power\":\"on\"}",
                                "{\"time\":5,\"available\":\"yes\",\"power\":\"on\"}", "{\"name\":\"x\"}"})
        EXPECT_FALSE(parseStateFile(foreign, why)) << foreign;
}

struct WriteRow {
    std::vector<uint8_t> frame;  // without its checksum; empty for a VCP write
    uint8_t code;
    uint32_t value;
    const char* setting;  // nullptr: nothing changes
    QVariant read;
};

TEST(WriteValues, NameWhatAWriteChangesAsStatusWould)
{
    const QVariantMap mask{{"on", true}, {"hTenths", 25}, {"vTenths", 30}};
    const WriteRow rows[] = {
        {{}, 0xD6, 0, "power", "off"},
        {{}, 0xD6, 4, "power", "off"},
        {{}, 0x60, 2, "input", "dvi"},
        {{}, 0xFC, 3, "rotation", "rotated"},
        {{}, 0xFC, 1, "osd", "lock"},
        {{}, 0xFC, 4, nullptr, {}},
        {{}, 0xB2, 0x8000 | 25 << 8 | 30, "mask", mask},
        {{}, 0xB1, 2, "layout", QVariantMap{{"index", 2}, {"label", "2x2"}}},
        {{}, 0xF8, 1, nullptr, {}},
        {{4, 28, 1}, 0, 0, "power", "on"},
        {{4, 2, 0}, 0, 0, "osd", "unlock"},
        {{7, 24, 0, 25, 30, 1}, 0, 0, "mask", mask},
        {{4, 4, 0}, 0, 0, nullptr, {}},
        {{5, 28, 1}, 0, 0, nullptr, {}},  // the length byte disagrees
    };
    for (const WriteRow& row : rows) {
        std::vector<uint8_t> frame = row.frame;
        frame.push_back(uint8_t(-std::accumulate(frame.begin(), frame.end(), 0)));
        const WrittenValues values = row.frame.empty() ? vcpWriteValues(row.code, row.value, 0) : frameWriteValues(frame, 0);
        EXPECT_EQ(values, (row.setting ? WrittenValues{{row.setting, row.read}} : WrittenValues{})) << int(row.code);
    }
    EXPECT_TRUE(frameWriteValues(std::vector<uint8_t>{4, 28, 1, 0}, 0).empty()) << "its bytes do not sum to zero";
}

TEST(WholeReply, IsOwedOnlyToTheReadRequests)
{
    const std::vector<uint8_t> settingsRequest{4, 4, 0, 0xF8};
    const std::vector<uint8_t> reply{9, 4, 0, 1, 0, 0, 0, 0, 0xF2};
    EXPECT_TRUE(wholeReplyTo(settingsRequest, reply));
    EXPECT_FALSE(wholeReplyTo(settingsRequest, std::vector<uint8_t>(reply.begin(), reply.end() - 1)));
    EXPECT_FALSE(wholeReplyTo(settingsRequest, {}));
    EXPECT_TRUE(wholeReplyTo(std::vector<uint8_t>{4, 28, 1, 0xDF}, {}));
}

}  // namespace

// Each way a call can fail as the caller's error name; a reply that came
// but did not add up is Damaged whatever failed.
TEST(ErrorNames, SayWhyTheCallFailed)
{
    const struct {
        control::ExitCode code;
        bool damaged;
        const char* name;
    } rows[] = {{control::kExitUsage, false, "BadRequest"},       {control::kExitNoLink, false, "Unavailable"},
                {control::kExitNotVerified, false, "NotVerified"}, {control::kExitDenied, false, "AccessDenied"},
                {control::kExitNoAnswer, false, "NoReply"},        {control::kExitNoAnswer, true, "Damaged"}};
    for (const auto& row : rows)
        EXPECT_STREQ(errorNameFor(row.code, row.damaged), row.name) << row.code << (row.damaged ? " damaged" : "");
}
