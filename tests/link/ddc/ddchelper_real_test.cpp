// libDDCHelper.so over the real libddcutil, on emulated monitors: what each
// call puts on the bus, what it hands back, and how it fails. The program
// runs with the emulator preloaded (lumivex_use_emulated_monitors).

#include "link/ddc/ddc_library.h"
#include "emulated_monitors.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using lumivex::DdcLibrary;
using lumivex::testing::EmulatedMonitors;

namespace {

// Listed in bus order; i2c-5 answers its EDID but not DDC/CI, so it is
// not listed at all.
const std::vector<std::string> kBuses = {
    "bus=3 model=K410",
    "bus=4 model=K420 unsupported=0xB3",
    "bus=5 ddc=nak",
    "bus=6 model=none code=0x10:50:100 code=0x12:1:2 bad-checksum=0x12",
    // Answers Null while it is not ready: for longer than any run, so that
    // a busy machine cannot make it ready in time.
    "bus=7 model=K410 delay-ms=60000",
};

struct Stack {
    EmulatedMonitors monitors{kBuses};
    std::unique_ptr<DdcLibrary> library;
};

Stack& stack()
{
    static Stack* s = [] {
        auto* made = new Stack;
        made->monitors.useInThisProcess();
        made->library = std::make_unique<DdcLibrary>(std::vector<std::string>{lumivex::testing::realDdcLibraryPath()});
        return made;
    }();
    return *s;
}

constexpr uint32_t kUntouched = 0xDEAD;

struct CallRow {
    const char* name;
    uint32_t handle;
    uint8_t code;
    int64_t setValue;      // -1: a Get
    bool succeeds;
    uint32_t current;      // a Get's outputs; kUntouched where it fails
    uint32_t maximum;
    const char* onTheBus;  // what the call puts on the bus, as logged; empty: nothing
};

// Request bytes: 51, length | 0x80, opcode, code, [value high, low], XOR from 0x6E.
const CallRow kCalls[] = {
    {"a Get asks with its code", 0, 0xF8, -1, true, 0xF800, 0xFFFF, "i2c-3 write 0x37: 51 82 01 F8 44"},
    {"the second monitor is the second handle", 1, 0xF8, -1, true, 0xF801, 0xFFFF, "i2c-4 get 0xF8: current 0xF801"},
    {"a Set sends the high byte first", 1, 0xB2, 0x8D0F, true, 0, 0, "i2c-4 write 0x37: 51 84 03 B2 8D 0F 88"},
    {"the Set reached the controller", 1, 0xB2, -1, true, 0x8D0F, 0xFFFF, "i2c-4 get 0xB2: current 0x8D0F"},
    {"power off reads 4 and still succeeds", 1, 0xD6, 0, true, 0, 0, "i2c-4 set 0xD6 0x0000: applied"},
    {"identify holds no value and still succeeds", 1, 0xFB, 0, true, 0, 0, "i2c-4 set 0xFB 0x0000: applied"},
    {"auto adjust holds no value and still succeeds", 1, 0xEC, 1, true, 0, 0, "i2c-4 set 0xEC 0x0001: applied"},
    {"rotation reads as OSD mode and still succeeds", 1, 0xFC, 3, true, 0, 0, "i2c-4 set 0xFC 0x0003: applied"},
    {"an unsupported code fails and leaves the outputs", 1, 0xB3, -1, false, kUntouched, kUntouched, "i2c-4 get 0xB3: unsupported"},
    {"a code of a plain monitor", 2, 0x10, -1, true, 50, 100, "i2c-6 get 0x10: current 0x0032"},
    {"a bad checksum fails and leaves the outputs", 2, 0x12, -1, false, kUntouched, kUntouched, "i2c-6 get 0x12"},
    {"a monitor answering Null fails", 3, 0xF8, -1, false, kUntouched, kUntouched, "i2c-7 read 0x37: 6E 80 BE"},
    {"a handle past the list touches nothing", 4, 0xF8, -1, false, kUntouched, kUntouched, ""},
    {"a value beyond 16 bits is refused before the bus", 1, 0x60, 0x10000, false, 0, 0, ""},
};

class PluginCall : public ::testing::TestWithParam<CallRow> {};

}  // namespace

TEST(RealDdcStack, RunsWithTheEmulatorPreloaded)
{
    ASSERT_TRUE(lumivex::testing::emulatorPreloaded()) << "start this program through ctest, which preloads the emulator";
    ASSERT_TRUE(stack().library->isLoaded()) << stack().library->loadError();
}

TEST(RealDdcStack, EnumeratesTheMonitorsThatAnswerDdcCi)
{
    DdcLibrary& ddc = *stack().library;
    ASSERT_EQ(ddc.InitDDCHelper(), 0);
    std::vector<uint32_t> handles(1);
    ASSERT_EQ(ddc.EnumGetFirst(&handles[0]), 0);
    for (uint32_t next = 0; ddc.EnumGetNext(&next) == 0;)
        handles.push_back(next);
    EXPECT_EQ(handles, (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_FALSE(stack().monitors.logged("i2c-5 read 0x50: 128 bytes").empty()) << "i2c-5's EDID was not read";

    // Each InitDDCHelper starts the enumeration afresh: no "next" before a "first".
    uint32_t untouched = 0xBEEF;
    ASSERT_EQ(ddc.InitDDCHelper(), 0);
    EXPECT_NE(ddc.EnumGetNext(&untouched), 0) << "a next before the first";
    ASSERT_EQ(ddc.EnumGetFirst(&handles[0]), 0);
    ASSERT_EQ(ddc.InitDDCHelper(), 0);
    EXPECT_NE(ddc.EnumGetNext(&untouched), 0) << "a next carried over from before InitDDCHelper";
    EXPECT_EQ(untouched, 0xBEEFu);
}

TEST(RealDdcStack, AGetWithoutBothOutputsFailsBeforeTheBus)
{
    DdcLibrary& ddc = *stack().library;
    ASSERT_EQ(ddc.InitDDCHelper(), 0);
    const size_t before = stack().monitors.logText().size();
    uint32_t value = kUntouched;
    EXPECT_NE(ddc.GetCIValue(0, 0xF8, nullptr, &value), 0);
    EXPECT_NE(ddc.GetCIValue(0, 0xF8, &value, nullptr), 0);
    EXPECT_EQ(value, kUntouched);
    EXPECT_EQ(stack().monitors.logText().substr(before).find("write 0x37"), std::string::npos);
}

TEST_P(PluginCall, OnTheBus)
{
    const CallRow& row = GetParam();
    DdcLibrary& ddc = *stack().library;
    ASSERT_EQ(ddc.InitDDCHelper(), 0);
    const size_t before = stack().monitors.logText().size();
    uint32_t current = kUntouched;
    uint32_t maximum = kUntouched;
    const int32_t status = row.setValue < 0
                               ? ddc.GetCIValue(row.handle, row.code, &current, &maximum)
                               : ddc.SetCIValue(row.handle, row.code, static_cast<uint32_t>(row.setValue));
    EXPECT_EQ(status == 0, row.succeeds) << "status " << status;
    if (row.setValue < 0) {
        EXPECT_EQ(current, row.current);
        EXPECT_EQ(maximum, row.maximum);
    }
    const std::string exchanges = stack().monitors.logText().substr(before);
    if (*row.onTheBus) {
        EXPECT_NE(exchanges.find(row.onTheBus), std::string::npos) << exchanges;
    } else {
        EXPECT_EQ(exchanges.find("write 0x37"), std::string::npos) << exchanges;
    }
    // Nothing reads a value back after a Set.
    if (row.setValue >= 0) {
        EXPECT_EQ(exchanges.find(" get "), std::string::npos) << exchanges;
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, PluginCall, ::testing::ValuesIn(kCalls),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });
