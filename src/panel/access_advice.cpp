#include "panel/access_advice.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <optional>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace lumivex {
namespace {

constexpr const char* kNewLogin = "log out and in again (a new login is needed)";

bool isPermissionRefusal(int err)
{
    return err == EACCES || err == EPERM;
}

// kind names the devices a udev rule would cover ("serial ports").
std::string groupAdvice(const std::string& device, const char* kind, const std::string& usualGroup,
                        const DeviceGroupFacts& facts)
{
    const std::string group = facts.group.empty() ? usualGroup : facts.group;
    const std::string user = facts.user.empty() ? "$USER" : facts.user;
    // Joining root would hand out far more than the device; a group without
    // read-write on the device lets no member in.
    if (group == "root" || !facts.groupMayReadWrite) {
        const std::string why = group == "root" ? "its group is root"
                                                : "its group " + group + " may not read and write it";
        return device + " is not open to a group you can join (" + why + "): give the " + kind +
               " the group " + usualGroup + " and mode 0660 with a udev rule (sudo groupadd --system " +
               usualGroup + " if the group is missing), then sudo usermod -aG " + usualGroup + " " + user +
               ", and " + kNewLogin;
    }
    if (facts.processHasGroup)
        return device + " refused this process although it is in the group " + group +
               ", which may read and write it: an access list or a security policy keeps it out (getfacl " +
               device + ")";
    if (facts.userListed)
        return "your user is in the group " + group + ", but this login began before it was added: " +
               kNewLogin;
    return "add your user to the group " + group + ": sudo usermod -aG " + group + " " + user + ", then " +
           kNewLogin;
}

bool isI2cNodeName(const std::string& name)
{
    constexpr std::string_view prefix = "i2c-";
    return name.size() > prefix.size() && name.starts_with(prefix) &&
           std::all_of(name.begin() + prefix.size(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool processHasGroup(gid_t gid)
{
    if (getegid() == gid)
        return true;
    const int count = getgroups(0, nullptr);
    if (count <= 0)
        return false;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    const int got = getgroups(count, groups.data());
    return got > 0 && std::find(groups.begin(), groups.begin() + got, gid) != groups.begin() + got;
}

bool userListedIn(const std::string& user, gid_t primary, gid_t gid)
{
    if (primary == gid)
        return true;
    int count = 32;
    std::vector<gid_t> groups;
    // getgrouplist says how many there are when the room was too small.
    for (int tries = 0; tries < 3; ++tries) {
        groups.resize(static_cast<size_t>(count));
        if (getgrouplist(user.c_str(), primary, groups.data(), &count) >= 0) {
            groups.resize(static_cast<size_t>(count));
            return std::find(groups.begin(), groups.end(), gid) != groups.end();
        }
    }
    return false;
}

}  // namespace

DeviceGroupFacts deviceGroupFacts(const std::string& devicePath, const std::string& usualGroup)
{
    DeviceGroupFacts facts;
    std::optional<gid_t> gid;
    struct stat status {};
    if (::stat(devicePath.c_str(), &status) == 0) {
        if (const group* named = getgrgid(status.st_gid)) {
            facts.group = named->gr_name;
            gid = status.st_gid;
            facts.groupMayReadWrite = (status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
        }
    }
    if (!gid) {
        if (const group* usual = getgrnam(usualGroup.c_str()))
            gid = usual->gr_gid;
    }
    std::optional<gid_t> primary;
    if (const passwd* account = getpwuid(getuid())) {
        facts.user = account->pw_name;
        primary = account->pw_gid;
    }
    if (gid) {
        facts.processHasGroup = processHasGroup(*gid);
        facts.userListed = primary && userListedIn(facts.user, *primary, *gid);
    }
    return facts;
}

std::string serialAccessAdvice(const std::string& devicePath, int openErrno, const DeviceGroupFacts& facts)
{
    if (!isPermissionRefusal(openErrno))
        return {};
    return groupAdvice(devicePath, "serial ports", kSerialUsualGroup, facts);
}

DeviceGroupFacts serialAccessFacts(const std::string& devicePath)
{
    return deviceGroupFacts(devicePath, kSerialUsualGroup);
}

std::string i2cAccessAdvice(const I2cAccessFacts& facts)
{
    if (facts.deviceCount == 0)
        return "no /dev/i2c-* device exists; load the i2c-dev module: sudo modprobe i2c-dev (to load it at "
               "every start: echo i2c-dev | sudo tee /etc/modules-load.d/i2c-dev.conf)";
    if (facts.openableCount > 0 || facts.deniedCount == 0)
        return {};
    return "/dev/i2c-* are closed to this user; " +
           groupAdvice(facts.firstDenied, "i2c devices", kI2cUsualGroup, facts.group);
}

I2cAccessFacts i2cAccessFacts(const std::string& devDir)
{
    I2cAccessFacts facts;
    std::vector<std::string> nodes;
    std::error_code error;
    for (std::filesystem::directory_iterator it(devDir, error), end; !error && it != end; it.increment(error)) {
        if (isI2cNodeName(it->path().filename().string()))
            nodes.push_back(it->path().string());
    }
    std::sort(nodes.begin(), nodes.end());
    facts.deviceCount = static_cast<int>(nodes.size());
    for (const std::string& node : nodes) {
        const int handle = ::open(node.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (handle >= 0) {
            ::close(handle);
            ++facts.openableCount;
        } else if (isPermissionRefusal(errno) && facts.deniedCount++ == 0) {
            facts.firstDenied = node;
        }
    }
    if (!facts.firstDenied.empty())
        facts.group = deviceGroupFacts(facts.firstDenied, kI2cUsualGroup);
    return facts;
}

}  // namespace lumivex
