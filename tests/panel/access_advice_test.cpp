// The next step offered when a serial port or the i2c devices are closed to the user.
#include "panel/access_advice.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <grp.h>
#include <unistd.h>

using namespace lumivex;

namespace {

// Not in the group, which may read and write the device.
DeviceGroupFacts outsider(const char* group, const char* user = "ana")
{
    return {group, true, false, false, user};
}

// The advice holds `part`, or is empty for nullptr.
void expectAdvice(const std::string& advice, const char* part)
{
    EXPECT_TRUE(part ? advice.find(part) != std::string::npos : advice.empty()) << advice;
}

}  // namespace

TEST(AccessAdvice, SerialPort)
{
    const struct {
        const char* name;
        int openErrno;
        DeviceGroupFacts facts;
        const char* part;
    } rows[] = {
        {"absent", ENOENT, outsider("dialout"), nullptr},
        {"not in the group", EACCES, outsider("dialout"),
         "add your user to the group dialout: sudo usermod -aG dialout ana, then log out and in again"},
        {"EPERM as EACCES", EPERM, outsider("dialout"), "sudo usermod -aG dialout ana,"},
        {"the device's own group", EACCES, outsider("uucp"), "sudo usermod -aG uucp ana,"},
        {"group unknown", EACCES, outsider(""), "sudo usermod -aG dialout ana,"},
        {"user unknown", EACCES, outsider("dialout", ""), "sudo usermod -aG dialout $USER,"},
        {"listed, not in this login", EACCES, {"dialout", true, true, false, "ana"},
         "your user is in the group dialout, but this login began before it was added: log out and in again"},
        {"in the group already", EACCES, {"dialout", true, true, true, "ana"}, "(getfacl /dev/ttyUSB0)"},
        {"never join root", EACCES, outsider("root"), "(its group is root): give the serial ports the group dialout"},
        {"group without read-write", EACCES, {"tty", false, false, false, "ana"}, "-aG dialout ana"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string advice = serialAccessAdvice("/dev/ttyUSB0", row.openErrno, row.facts);
        expectAdvice(advice, row.part);
        if (row.facts.userListed) {
            EXPECT_EQ(advice.find("usermod"), std::string::npos) << "a member needs no usermod";
        }
    }
}

TEST(AccessAdvice, I2cDevices)
{
    const struct {
        const char* name;
        I2cAccessFacts facts;
        const char* part;
    } rows[] = {
        {"no node", {}, "no /dev/i2c-* device exists; load the i2c-dev module: sudo modprobe i2c-dev"},
        {"one opens", {3, 1, 2, "/dev/i2c-0", outsider("i2c")}, nullptr},
        {"failing for other reasons", {2, 0, 0, "", {}}, nullptr},
        {"all refused", {2, 0, 2, "/dev/i2c-0", outsider("")},
         "/dev/i2c-* are closed to this user; add your user to the group i2c: sudo usermod -aG i2c ana,"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        expectAdvice(i2cAccessAdvice(row.facts), row.part);
    }
}

TEST(AccessAdvice, GathersTheDeviceGroupAndTheI2cNodes)
{
    lumivex::testing::TempDir dir;
    for (const char* name : {"i2c-3", "i2c-10", "i2c-5", "i2c-", "i2c-dev"})
        std::ofstream(dir / name).put('\n');
    std::filesystem::permissions(dir / "i2c-3", std::filesystem::perms(0660));
    std::filesystem::permissions(dir / "i2c-5", std::filesystem::perms::none);
    const group* own = getgrgid(getegid());  // a group without a name is told as unknown
    EXPECT_EQ(deviceGroupFacts((dir / "i2c-3").string(), "i2c").group, own ? own->gr_name : "");
    EXPECT_TRUE(deviceGroupFacts((dir / "i2c-3").string(), "i2c").groupMayReadWrite);
    EXPECT_FALSE(deviceGroupFacts((dir / "i2c-5").string(), "i2c").groupMayReadWrite);
    const I2cAccessFacts facts = i2cAccessFacts(dir.path().string());
    EXPECT_EQ(facts.deviceCount, 3);
    if (geteuid() == 0)
        GTEST_SKIP() << "root opens a node of mode 000 all the same";
    EXPECT_EQ(facts.openableCount, 2);
    EXPECT_EQ(facts.firstDenied, (dir / "i2c-5").string());
}
