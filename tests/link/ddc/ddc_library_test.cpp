#include "link/ddc/ddc_library.h"
#include "link/ddc/monitor_table.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using lumivex::DdcLibrary;
using lumivex::MonitorTable;

namespace {

std::string binDir()
{
    const char* dir = std::getenv("LUMIVEX_BIN_DIR");
    return dir ? dir : ".";
}

std::string simLibrary() { return binDir() + "/libDDCHelper-sim.so"; }
std::string realLibrary() { return binDir() + "/libDDCHelper.so"; }

// The simulated library reads its set-up at each InitDDCHelper.
class SimEnvironment {
public:
    SimEnvironment(const char* monitors, const char* initError = nullptr, const char* model = nullptr)
    {
        set("ZEPTA_SIM_MONITORS", monitors);
        set("ZEPTA_SIM_INIT_ERROR", initError);
        set("ZEPTA_SIM_MODEL", model);
    }
    ~SimEnvironment()
    {
        unsetenv("ZEPTA_SIM_MONITORS");
        unsetenv("ZEPTA_SIM_INIT_ERROR");
        unsetenv("ZEPTA_SIM_MODEL");
    }

private:
    static void set(const char* name, const char* value)
    {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
};

}  // namespace

TEST(DdcLibraryLoader, CandidatesComeInOrderOverrideBesideTheProgramInstalledThenSystem)
{
    // A library named on purpose is the only candidate: one that does not
    // load is an error, never quietly another library.
    const auto withOverride = lumivex::defaultDdcLibraryCandidates("/opt/lumivex/bin", "/tmp/sim.so");
    EXPECT_EQ(withOverride, std::vector<std::string>{"/tmp/sim.so"});
    const auto withoutOverride = lumivex::defaultDdcLibraryCandidates("/opt/lumivex/bin", nullptr);
    ASSERT_EQ(withoutOverride.size(), 3u);
    EXPECT_EQ(withoutOverride[0], "/opt/lumivex/bin/libDDCHelper.so");
    EXPECT_EQ(withoutOverride[1].rfind("/opt/lumivex/lib", 0), 0u) << withoutOverride[1];
    EXPECT_TRUE(withoutOverride[1].ends_with("/lumivex/libDDCHelper.so")) << withoutOverride[1];
    EXPECT_EQ(withoutOverride[2], "libDDCHelper.so");

    const auto plain = lumivex::defaultDdcLibraryCandidates("/opt/LUMIVEX", "");
    ASSERT_EQ(plain.size(), 3u);
    EXPECT_EQ(plain[0], "/opt/LUMIVEX/libDDCHelper.so");  // letter case kept
}

TEST(DdcLibraryLoader, MissingLibraryFailsEveryOperationWith7E)
{
    DdcLibrary ddc({"/nonexistent/libDDCHelper.so", "/nonexistent/other.so"});
    EXPECT_FALSE(ddc.isLoaded());
    EXPECT_FALSE(ddc.loadError().empty());
    EXPECT_EQ(ddc.InitDDCHelper(), 0x7E);
    uint32_t handle = 0x1234, current = 9, maximum = 9;
    EXPECT_NE(ddc.EnumGetFirst(&handle), 0);
    EXPECT_NE(ddc.EnumGetNext(&handle), 0);
    EXPECT_NE(ddc.GetCIValue(0, 0xB0, &current, &maximum), 0);
    EXPECT_NE(ddc.SetCIValue(0, 0xB0, 1), 0);
    EXPECT_EQ(handle, 0x1234u);
    EXPECT_EQ(current, 9u);
}

TEST(DdcLibraryLoader, SkipsACandidateThatIsNotADdcLibrary)
{
    // libc loads fine but exports none of the six functions.
    DdcLibrary ddc({"libc.so.6", simLibrary()});
    ASSERT_TRUE(ddc.isLoaded()) << ddc.loadError();
    EXPECT_EQ(ddc.loadedFrom(), simLibrary());
}

TEST(SimulatedDdcLibrary, EnumeratesUpToTenMonitors)
{
    struct Case {
        const char* monitors;
        int32_t expectedCount;
    };
    for (const Case& c : {Case{"0", 0}, Case{"1", 1}, Case{"3", 3}, Case{"10", 10}, Case{"12", 10}}) {
        SCOPED_TRACE(c.monitors);
        SimEnvironment env(c.monitors);
        DdcLibrary ddc({simLibrary()});
        ASSERT_TRUE(ddc.isLoaded()) << ddc.loadError();
        ASSERT_EQ(ddc.InitDDCHelper(), 0);
        MonitorTable table;
        lumivex::enumerateMonitors(ddc, table);
        EXPECT_EQ(table.count, c.expectedCount);
        for (int i = 0; i < MonitorTable::kCapacity; ++i) {
            if (i < table.count)
                EXPECT_NE(table.handles[size_t(i)], 0u) << "entry " << i;
            else
                EXPECT_EQ(table.handles[size_t(i)], 0u) << "entry " << i;
        }
    }
}

TEST(SimulatedDdcLibrary, InitErrorIsReturnedAndNothingIsFound)
{
    SimEnvironment env("2", "31");
    DdcLibrary ddc({simLibrary()});
    EXPECT_EQ(ddc.InitDDCHelper(), 31);
    MonitorTable table;
    lumivex::enumerateMonitors(ddc, table);
    EXPECT_EQ(table.count, 0);
    EXPECT_EQ(table.first(), 0u);
}

TEST(SimulatedDdcLibrary, AnswersTheControllerVcpCodesOnItsHandles)
{
    SimEnvironment env("2", nullptr, "K420");
    DdcLibrary ddc({simLibrary()});
    ASSERT_EQ(ddc.InitDDCHelper(), 0);
    MonitorTable table;
    lumivex::enumerateMonitors(ddc, table);
    ASSERT_EQ(table.count, 2);

    uint32_t current = 0, maximum = 0;
    ASSERT_EQ(ddc.GetCIValue(table.first(), 0xF8, &current, &maximum), 0);
    EXPECT_EQ(current, 0xF801u);
    ASSERT_EQ(ddc.SetCIValue(table.first(), 0xB2, 25 * 256 + 30 + 0x8000), 0);
    ASSERT_EQ(ddc.GetCIValue(table.first(), 0xB2, &current, &maximum), 0);
    EXPECT_EQ(current, 25u * 256 + 30 + 0x8000);
    // Each monitor is a controller of its own.
    ASSERT_EQ(ddc.GetCIValue(table.handles[1], 0xB2, &current, &maximum), 0);
    EXPECT_EQ(current, 0u);

    current = 77;
    EXPECT_NE(ddc.GetCIValue(0, 0xB0, &current, &maximum), 0);  // the empty handle
    EXPECT_NE(ddc.GetCIValue(table.first(), 0x04, &current, &maximum), 0);  // write-only code
    EXPECT_EQ(current, 77u);
    EXPECT_NE(ddc.SetCIValue(table.first(), 0x60, 3), 0);
}

TEST(RealDdcLibrary, LoadsQuietlyAndFailsCleanlyWithoutMonitors)
{
    // Whatever the machine has, loading and starting the library must not
    // write to standard output, and a handle past its displays must fail.
    std::fflush(stdout);
    char path[] = "/tmp/lumivex-stdout-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const int saved = dup(STDOUT_FILENO);
    dup2(fd, STDOUT_FILENO);
    int32_t initStatus = -999;
    bool loaded = false;
    {
        DdcLibrary ddc({realLibrary()});
        loaded = ddc.isLoaded();
        if (loaded) {
            ddc.InstallDriver(0, 1);
            initStatus = ddc.InitDDCHelper();
            MonitorTable table;
            lumivex::enumerateMonitors(ddc, table);
            uint32_t current = 0, maximum = 0;
            EXPECT_NE(ddc.GetCIValue(static_cast<uint32_t>(table.count) + 5, 0xB0, &current, &maximum), 0);
            EXPECT_NE(ddc.SetCIValue(static_cast<uint32_t>(table.count) + 5, 0xB0, 0), 0);
        }
    }
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::ifstream captured(path);
    const std::string text((std::istreambuf_iterator<char>(captured)), std::istreambuf_iterator<char>());
    close(fd);
    unlink(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(initStatus, 0);
    EXPECT_EQ(text, "");
}
