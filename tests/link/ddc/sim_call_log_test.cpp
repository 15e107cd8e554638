// ZEPTA_SIM_LOG: the simulated library records every call it answers.

#include "link/ddc/ddc_library.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using lumivex::DdcLibrary;

namespace {

// The lines without their timestamps.
std::vector<std::string> callsIn(const std::filesystem::path& path)
{
    std::vector<std::string> calls;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line))
        calls.push_back(line.substr(line.find(' ') + 1));
    return calls;
}

}  // namespace

TEST(SimCallLog, EveryCallIsRecordedWithItsResult)
{
    lumivex::testing::TempDir dir;
    const auto log = dir / "calls.log";
    setenv("ZEPTA_SIM_LOG", log.c_str(), 1);
    setenv("ZEPTA_SIM_MODEL", "K420", 1);
    const char* binDir = std::getenv("LUMIVEX_BIN_DIR");
    DdcLibrary library({std::string(binDir ? binDir : ".") + "/libDDCHelper-sim.so"});
    ASSERT_TRUE(library.isLoaded()) << library.loadError();
    library.InstallDriver(0, 1);
    ASSERT_EQ(library.InitDDCHelper(), 0);
    uint32_t handle = 0, next = 0, current = 0, maximum = 0;
    ASSERT_EQ(library.EnumGetFirst(&handle), 0);
    EXPECT_NE(library.EnumGetNext(&next), 0);
    EXPECT_EQ(library.SetCIValue(handle, 0xD6, 0), 0);
    EXPECT_EQ(library.GetCIValue(handle, 0xF8, &current, &maximum), 0);
    EXPECT_NE(library.SetCIValue(handle, 0x60, 7), 0);
    unsetenv("ZEPTA_SIM_LOG");
    unsetenv("ZEPTA_SIM_MODEL");
    ASSERT_EQ(library.InitDDCHelper(), 0);  // logs no more
    library.SetCIValue(handle, 0xD6, 1);

    EXPECT_EQ(callsIn(log), (std::vector<std::string>{
                                "InstallDriver(0, 1) = 0",
                                "InitDDCHelper() = 0",
                                "EnumGetFirst() = 0 handle 0x5A100001",
                                "EnumGetNext() = 2",
                                "SetCIValue(0x5A100001, 0xD6, 0) = 0",
                                "GetCIValue(0x5A100001, 0xF8) = 0 current 0xF801 maximum 0xFFFF",
                                "SetCIValue(0x5A100001, 0x60, 7) = 5",
                            }));
}
