// Device paths coming and going, told through the event loop.

#include "platform/device_watch.h"
#include "pty_pair.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <ostream>
#include <string>

using namespace lumivex;
using lumivex::testing::TempDir;
namespace fs = std::filesystem;

namespace {

using Step = std::function<void(const fs::path& dir)>;

void make(const fs::path& path)
{
    std::ofstream(path).put('x');
}

struct WatchRow {
    const char* name;
    Step before;  // done before the watch
    Step lead;    // done while watched, its changes read and forgotten
    Step change;
    std::set<std::string> told;  // the watched names the change is told for
};

// Watched: "ttyX", "sub/ttyZ" (with "sub" absent unless made) and "mark".
const WatchRow kRows[] = {
    {"created", {}, {}, [](auto& d) { make(d / "ttyX"); }, {"ttyX"}},
    {"removed", [](auto& d) { make(d / "ttyX"); }, {}, [](auto& d) { fs::remove(d / "ttyX"); }, {"ttyX"}},
    {"moved in", [](auto& d) { make(d / "other"); }, {}, [](auto& d) { fs::rename(d / "other", d / "ttyX"); },
     {"ttyX"}},
    {"moved away", [](auto& d) { make(d / "ttyX"); }, {}, [](auto& d) { fs::rename(d / "ttyX", d / "other"); },
     {"ttyX"}},
    {"permissions changed", [](auto& d) { make(d / "ttyX"); }, {},
     [](auto& d) { fs::permissions(d / "ttyX", fs::perms::owner_read); }, {"ttyX"}},
    {"another entry not told", {}, {}, [](auto& d) { make(d / "ttyY"); }, {}},
    {"its folder made with it", {}, {},
     [](auto& d) {
         fs::create_directory(d / "sub");
         make(d / "sub/ttyZ");
     },
     {"sub/ttyZ"}},
    {"in a folder made since", {}, [](auto& d) { fs::create_directory(d / "sub"); },
     [](auto& d) { make(d / "sub/ttyZ"); }, {"sub/ttyZ"}},
    {"its folder removed", [](auto& d) {
         fs::create_directory(d / "sub");
         make(d / "sub/ttyZ");
     },
     {}, [](auto& d) { fs::remove_all(d / "sub"); }, {"sub/ttyZ"}},
    {"in a folder made again", [](auto& d) { fs::create_directory(d / "sub"); },
     [](auto& d) {
         fs::remove(d / "sub");
         fs::create_directory(d / "sub");
     },
     [](auto& d) { make(d / "sub/ttyZ"); }, {"sub/ttyZ"}},
};

class DeviceWatchRows : public ::testing::TestWithParam<WatchRow> {};

// A failing row is named by its name alone.
void PrintTo(const WatchRow& row, std::ostream* out)
{
    *out << row.name;
}

}  // namespace

TEST_P(DeviceWatchRows, ToldForTheWatchedPathsOnly)
{
    const WatchRow& row = GetParam();
    TempDir dir;
    if (row.before)
        row.before(dir.path());
    DeviceWatch watch;
    ASSERT_TRUE(watch.watch({(dir / "ttyX").string(), (dir / "sub/ttyZ").string(), (dir / "mark").string()}));
    watch.start();
    std::set<std::string> told;
    QObject::connect(&watch, &DeviceWatch::changed, [&](const QString& path) {
        told.insert(fs::path(path.toStdString()).lexically_relative(dir.path()).string());
    });
    // Changes are told in the order made: once "mark" is told, all before it are.
    const auto settle = [&] {
        if (fs::exists(dir / "mark"))
            fs::remove(dir / "mark");
        else
            make(dir / "mark");
        const bool seen = lumivex::test::processEventsUntil([&] { return told.contains("mark"); });
        told.erase("mark");
        return seen;
    };
    if (row.lead) {
        row.lead(dir.path());
        ASSERT_TRUE(settle());
        told.clear();
    }
    row.change(dir.path());
    ASSERT_TRUE(settle());
    EXPECT_EQ(told, row.told);
}

INSTANTIATE_TEST_SUITE_P(Rows, DeviceWatchRows, ::testing::ValuesIn(kRows), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});
