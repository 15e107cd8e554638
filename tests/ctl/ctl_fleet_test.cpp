// Several controllers in one run of lumivex-ctl: two zepta-sims and the
// simulated DDC/CI library, each link's output kept apart and named, the
// exit status the worst of them.

#include "ctl_process.h"
#include "lumivex-ctl/fleet_folder.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace lumivex::testing;
namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

struct Room {
    TempDir dir;
    SimProcess a{{"--persist"}};
    SimProcess b{{"--persist", "--model", "K420"}};
    SimProcess silent{{"--persist", "--no-reply"}};

    // {a} {b} {silent} {dir} in the arguments become their paths.
    CtlRun run(Args args)
    {
        // Only a run with the silent controller needs its wait short; the
        // others wait generously, so a busy machine never fails them.
        const bool withSilent =
            std::any_of(args.begin(), args.end(), [](const std::string& arg) { return arg.find("{silent}") != arg.npos; });
        const auto wait = withSilent ? kSilentDeviceWait : kGenerousReplyWait;
        for (std::string& arg : args)
            for (const auto& [key, value] : {std::pair<std::string, std::string>{"{a}", a.slavePath()},
                                             {"{b}", b.slavePath()}, {"{silent}", silent.slavePath()},
                                             {"{dir}", dir.path().string()}})
                if (const size_t at = arg.find(key); at != std::string::npos)
                    arg.replace(at, key.size(), value);
        Args all{"--ini", (dir / "ZEPTA.ini").string()};
        all.insert(all.end(), args.begin(), args.end());
        return runCtl(all, {{"ZEPTA_DDCHELPER", binDir() + "/libDDCHelper-sim.so"},
                            {"ZEPTA_SIM_MODEL", "K410"},
                            {"ZEPTA_SIM_MONITORS", "2"},
                            {"ZEPTA_REPLY_WAIT_MS", std::to_string(wait.count())}});
    }
    std::string path(const std::string& key) { return key == "a" ? a.slavePath() : b.slavePath(); }
};

// JSON Lines: one object a line.
QJsonArray jsonArray(const std::string& out)
{
    QJsonArray objects;
    for (const QByteArray& line : QByteArray::fromStdString(out).split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
        EXPECT_TRUE(document.isObject()) << out;
        objects.append(document.object());
    }
    EXPECT_TRUE(out.empty() || out.back() == '\n') << out;
    return objects;
}

bool has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

struct FleetRow {
    const char* name;
    std::vector<Args> before;  // runs on their own first
    Args args;
    int code;
    std::function<void(Room&, const CtlRun&)> check;
};

const FleetRow kRows[] = {
    {"each link's lines carry its name, and nothing else", {},
     {"--link", "{a}", "--link", "{b}", "--link", "ddc", "model"}, 0, [](Room& room, const CtlRun& run) {
         EXPECT_EQ(run.out, room.path("a") + ": K410\n" + room.path("b") + ": K420\nddc: K410\n");
         EXPECT_EQ(run.err, "");
     }},
    {"a link's error names it once", {}, {"--json", "--link", "{a}", "--link", "{b}", "set", "gpo", "0001"}, 1,
     [](Room& room, const CtlRun& run) {
         const QJsonArray links = jsonArray(run.out);
         ASSERT_EQ(links.size(), 2);
         EXPECT_FALSE(links[0].toObject().contains("error"));
         EXPECT_EQ(links[1]["error"].toString().toStdString(), room.path("b") + ": the K420 has no GPIO");
         EXPECT_EQ(run.err, "lumivex-ctl: " + room.path("b") + ": the K420 has no GPIO\n");
     }},
    {"one JSON object a link, in the order given", {}, {"--json", "--link", "{b}", "--link", "{a}", "model"}, 0,
     [](Room& room, const CtlRun& run) {
         const QJsonArray links = jsonArray(run.out);
         ASSERT_EQ(links.size(), 2);
         EXPECT_EQ(links[0]["link"].toString().toStdString(), room.path("b"));
         EXPECT_EQ(links[0]["model"].toString(), "K420");
         EXPECT_EQ(links[1]["model"].toString(), "K410");
     }},
    {"a link that fails hides nothing of the others", {}, {"--link", "/dev/lumivex-absent", "--link", "{a}", "status"},
     3, [](Room& room, const CtlRun& run) {
         EXPECT_TRUE(has(run.out, room.path("a") + ": input            vga\n")) << run.out;
         EXPECT_EQ(run.err.rfind("lumivex-ctl: /dev/lumivex-absent cannot be opened (", 0), 0u) << run.err;
     }},
    {"the worst exit of the links", {}, {"--json", "--link", "{silent}", "--link", "/dev/lumivex-absent", "status"}, 3,
     [](Room&, const CtlRun& run) {
         const QJsonArray links = jsonArray(run.out);
         ASSERT_EQ(links.size(), 2);
         EXPECT_EQ(links[0]["exit"].toInt(), 2);
         EXPECT_EQ(links[1]["exit"].toInt(), 3);
         EXPECT_TRUE(links[0]["error"].toString().contains("did not answer"));
     }},
    {"apply tells changed from unchanged", {{"--link", "{a}", "set", "input", "dvi"}},
     {"--json", "--link", "{a}", "--link", "{b}", "--link", "ddc", "apply", "{dir}/wall.ini"}, 0,
     [](Room&, const CtlRun& run) {
         const QJsonArray links = jsonArray(run.out);
         ASSERT_EQ(links.size(), 3);
         EXPECT_EQ(links[0]["result"].toString(), "unchanged");
         EXPECT_EQ(links[0]["changed"].toArray().size(), 0);
         EXPECT_EQ(links[1]["result"].toString(), "applied and verified");
         EXPECT_EQ(links[1]["changed"].toArray(), QJsonArray({"input"}));
         EXPECT_EQ(links[2]["result"].toString(), "applied and verified");
     }},
    {"save keeps one file a link in a folder", {}, {"--link", "{a}", "--link", "ddc:1", "save", "{dir}"}, 0,
     [](Room& room, const CtlRun& run) {
         std::ifstream ddc(room.dir / "ddc-1.ini");
         std::string first;
         std::getline(ddc, first);
         EXPECT_EQ(first.rfind("; ZEPTA set-up read from ddc:1 on ", 0), 0u) << first;
         EXPECT_TRUE(has(run.out, "ddc:1: saved " + (room.dir / "ddc-1.ini").string() + "\n")) << run.out;
     }},
};

class CtlFleet : public ::testing::TestWithParam<FleetRow> {};

}  // namespace

TEST_P(CtlFleet, EveryLinkAnswersForItself)
{
    const FleetRow& row = GetParam();
    Room room;
    ASSERT_TRUE(room.a.started() && room.b.started() && room.silent.started());
    std::ofstream(room.dir / "wall.ini") << "[Device]\ninput=dvi\n";
    for (const Args& before : row.before)
        ASSERT_EQ(room.run(before).exitCode, 0);
    const CtlRun run = room.run(row.args);
    EXPECT_EQ(run.exitCode, row.code) << run.err;
    row.check(room, run);
}

INSTANTIATE_TEST_SUITE_P(Rows, CtlFleet, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

// save DIR/ then apply DIR/: every link gets back what it had, each from
// its own file; a link whose file is missing fails alone.
TEST(CtlFleetFolder, SavedFolderRestoresEveryLinkAndAMissingFileIsThatLinksError)
{
    Room room;
    ASSERT_TRUE(room.a.started() && room.b.started());
    const auto onBoth = [&room](Args verb) {
        verb.insert(verb.begin(), {"--json", "--link", "{a}", "--link", "{b}"});
        return room.run(verb);
    };
    ASSERT_EQ(onBoth({"set", "layout", "2x2"}).exitCode, 0);
    const CtlRun saved = onBoth({"save", "{dir}/walls/east/"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    ASSERT_EQ(onBoth({"set", "layout", "1x1"}).exitCode, 0);
    const QJsonArray applied = jsonArray(onBoth({"apply", "{dir}/walls/east/"}).out);
    ASSERT_EQ(applied.size(), 2);
    for (const QJsonValue link : applied) {
        EXPECT_EQ(link["result"].toString(), "applied and verified") << link["link"].toString().toStdString();
        EXPECT_EQ(link["changed"].toArray(), QJsonArray({"layout"}));
    }
    const std::string b = lumivex::ctl::fleetFileName(QString::fromStdString(room.path("b"))).toStdString();
    fs::remove(room.dir / "walls" / "east" / b);
    const CtlRun partial = onBoth({"apply", "{dir}/walls/east/"});
    EXPECT_EQ(partial.exitCode, 1);
    const QJsonArray results = jsonArray(partial.out);
    ASSERT_EQ(results.size(), 2);
    EXPECT_EQ(results[0]["result"].toString(), "unchanged");
    EXPECT_TRUE(results[1]["error"].toString().endsWith(QString::fromStdString(b + ": No such file or directory")))
        << partial.err;
}
