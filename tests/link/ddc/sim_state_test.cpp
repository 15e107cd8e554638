// ZEPTA_SIM_STATE: what one process sets on the simulated library, the next
// one reads back; a missing or spoilt file starts the monitors afresh.

#include "link/ddc/ddc_library.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

using lumivex::DdcLibrary;

namespace {

constexpr uint32_t kInputSource = 0x60;

// Each instance is its own copy of the plugin (another file, so the loader
// does not hand back the one already loaded): a new process, as far as the
// library's memory goes.
class SimInstance {
public:
    SimInstance(const lumivex::testing::TempDir& dir, int number)
        : m_path(dir / ("libDDCHelper-sim-" + std::to_string(number) + ".so"))
    {
        const char* binDir = std::getenv("LUMIVEX_BIN_DIR");
        std::filesystem::copy_file(std::string(binDir ? binDir : ".") + "/libDDCHelper-sim.so", m_path);
        m_library.emplace(std::vector<std::string>{m_path.string()});
    }
    DdcLibrary& operator*() { return *m_library; }

    // The first monitor's handle after InitDDCHelper.
    uint32_t start()
    {
        uint32_t handle = 0;
        EXPECT_EQ(m_library->InitDDCHelper(), 0);
        EXPECT_EQ(m_library->EnumGetFirst(&handle), 0);
        return handle;
    }

private:
    std::filesystem::path m_path;
    std::optional<DdcLibrary> m_library;
};

}  // namespace

TEST(SimState, ASettingOutlivesTheLibraryThatMadeItAndABadFileGivesDefaults)
{
    struct Row {
        const char* name;
        std::optional<std::string> file;     // the state file before the first instance; none when empty
        std::optional<uint32_t> setInput;    // what the first instance sets
        uint32_t inputReadBack;              // what a fresh instance then reads
        bool complains;                      // a line on stderr naming the file
    };
    const Row rows[] = {
        {"set, then read back by a fresh library", std::nullopt, 2, 2, false},
        {"missing file: defaults", std::nullopt, std::nullopt, 0, false},
        {"an earlier run's file", "monitor=0 input=1 power=0\n", std::nullopt, 1, false},
        {"malformed file: defaults", "monitor=0 input=dvi\n", std::nullopt, 0, true},
        {"half good: nothing of it", "monitor=0 input=1\nmonitor=0 power=9\n", std::nullopt, 0, true},
        {"not this file's words", "bus=3 input=1\n", std::nullopt, 0, true},
        {"a monitor number with more after it", "monitor=0x input=1\n", std::nullopt, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        lumivex::testing::TempDir dir;
        const auto state = dir / "sim.state";
        if (row.file)
            std::ofstream(state) << *row.file;
        setenv("ZEPTA_SIM_STATE", state.c_str(), 1);

        ::testing::internal::CaptureStderr();
        if (row.setInput) {
            SimInstance first(dir, 1);
            ASSERT_TRUE((*first).isLoaded()) << (*first).loadError();
            EXPECT_EQ((*first).SetCIValue(first.start(), kInputSource, *row.setInput), 0);
        }
        SimInstance fresh(dir, 2);
        ASSERT_TRUE((*fresh).isLoaded()) << (*fresh).loadError();
        uint32_t current = 99, maximum = 0;
        EXPECT_EQ((*fresh).GetCIValue(fresh.start(), kInputSource, &current, &maximum), 0);
        const std::string err = ::testing::internal::GetCapturedStderr();
        unsetenv("ZEPTA_SIM_STATE");

        EXPECT_EQ(current, row.inputReadBack);
        EXPECT_EQ(err.find(state.string()) != std::string::npos, row.complains) << err;
        if (row.setInput) {
            EXPECT_TRUE(std::filesystem::exists(state));
            for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
                EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << "left behind: " << entry.path();
        }
    }
}
