// COM names to device paths: the default table and both overrides.
#include "link/serial/com_port_map.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <unistd.h>

namespace lumivex::test {
namespace {

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const char* value) : m_name(std::move(name))
    {
        if (value)
            setenv(m_name.c_str(), value, 1);
        else
            unsetenv(m_name.c_str());
    }
    ~ScopedEnv() { unsetenv(m_name.c_str()); }

private:
    std::string m_name;
};

struct NameCase {
    const char* name;
    const char* path;
};

std::ostream& operator<<(std::ostream& out, const NameCase& c)
{
    return out << c.name;
}

class DefaultTable : public ::testing::TestWithParam<NameCase> {};

TEST_P(DefaultTable, ResolvesWithoutOverrides)
{
    ComPortMap map;
    EXPECT_EQ(map.resolve(GetParam().name), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DefaultTable,
    ::testing::Values(NameCase{"COM1", "/dev/ttyS0"}, NameCase{"COM2", "/dev/ttyS1"},
                      NameCase{"COM32", "/dev/ttyS31"}, NameCase{"COM33", "/dev/ttyUSB0"},
                      NameCase{"COM40", "/dev/ttyUSB7"}, NameCase{"COM64", "/dev/ttyUSB31"},
                      NameCase{"COM65", "/dev/ttyACM0"}, NameCase{"COM96", "/dev/ttyACM31"},
                      // No default beyond the table.
                      NameCase{"COM97", ""}, NameCase{"COM255", ""},
                      // Not a COM number: used as given.
                      NameCase{"COM0", "COM0"}, NameCase{"COM01", "COM01"},
                      NameCase{"COMxyz", "COMxyz"}, NameCase{"COM3x", "COM3x"},
                      NameCase{"COM", "COM"}, NameCase{"com3", "com3"},
                      NameCase{"COM-1", "COM-1"}, NameCase{"COM99999999999", "COM99999999999"},
                      NameCase{"/dev/pts/3", "/dev/pts/3"}),
    [](const auto& info) {
        std::string name;
        for (const char ch : std::string(info.param.name))
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        return name + "_" + std::to_string(info.index);
    });

struct OverrideCase {
    const char* label;
    const char* port;
    const char* env;  // null: unset
    const char* ini;  // null: no key
    const char* path;
};

TEST(ComPortMapOverrides, EnvironmentThenPortsSectionThenTable)
{
    const OverrideCase cases[] = {
        {"environment wins", "COM3", "/dev/pts/9", "/dev/pts/8", "/dev/pts/9"},
        {"section next", "COM3", nullptr, "/dev/pts/8", "/dev/pts/8"},
        {"empty variable is unset", "COM3", "", "/dev/pts/8", "/dev/pts/8"},
        {"table last", "COM3", nullptr, nullptr, "/dev/ttyS2"},
        {"empty key is unset", "COM3", nullptr, "", "/dev/ttyS2"},
        {"beyond the table by environment", "COM200", "/dev/pts/1", nullptr, "/dev/pts/1"},
        {"beyond the table by section", "COM150", nullptr, "/dev/ttyX", "/dev/ttyX"},
        {"a path is never looked up", "/dev/ttyS4", "/dev/pts/1", "/dev/pts/2", "/dev/ttyS4"},
    };
    for (const OverrideCase& c : cases) {
        SCOPED_TRACE(c.label);
        const ScopedEnv env(std::string("ZEPTA_") + c.port, c.env);
        ComPortMap map;
        std::map<std::string, std::string> section;
        if (c.ini)
            section[c.port] = c.ini;
        map.setPortsLookup([&](const std::string& key) -> std::optional<std::string> {
            const auto found = section.find(key);
            if (found == section.end())
                return std::nullopt;
            return found->second;
        });
        EXPECT_EQ(map.resolve(c.port), c.path);
    }
}

TEST(ComPortMapOverrides, ReadsThePortsSectionOfTheIniFile)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("lumivex-ports-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path ini = dir / "ZEPTA.ini";
    {
        std::ofstream out(ini, std::ios::binary);
        out << "[Dialog Settings]\r\nBezel Width=    10.0\r\n[ports]\r\ncom3=/dev/pts/42\r\nCOM5=\r\n";
    }
    ComPortMap map;
    map.setIniPath(ini);
    EXPECT_EQ(map.resolve("COM3"), "/dev/pts/42");
    EXPECT_EQ(map.resolve("COM5"), "/dev/ttyS4");
    EXPECT_EQ(map.resolve("COM4"), "/dev/ttyS3");
    // Read at each resolve: an edit is seen at once.
    {
        std::ofstream out(ini, std::ios::binary);
        out << "[Ports]\nCOM4=/dev/pts/43\n";
    }
    EXPECT_EQ(map.resolve("COM4"), "/dev/pts/43");
    EXPECT_EQ(map.resolve("COM3"), "/dev/ttyS2");
    std::filesystem::remove_all(dir);
    EXPECT_EQ(map.resolve("COM4"), "/dev/ttyS3");
}

}  // namespace
}  // namespace lumivex::test
