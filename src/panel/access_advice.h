#pragma once
// The next step to offer when a serial port or the DDC/CI devices are closed
// to this user: the group to join with the line that does it, or that only a
// new login is missing. The rules are pure functions of the facts, so every
// case can be tried; the gatherers read the real facts from the system.

#include <string>

namespace lumivex {

// Where serial ports and /dev/i2c-* usually let their users in.
inline constexpr const char* kSerialUsualGroup = "dialout";
inline constexpr const char* kI2cUsualGroup = "i2c";

// What the system says about a device's group and this user. The membership
// facts are about the device's group, or about the usual group when the
// device's group cannot be told.
struct DeviceGroupFacts {
    std::string group;              // the device's group name; empty when unknown
    bool groupMayReadWrite = true;  // the device's mode lets its group read and write
    bool userListed = false;        // the group database counts the user in that group
    bool processHasGroup = false;   // this process carries that group now
    std::string user;               // the login name; empty when unknown
};

// The real facts for a device (stat, the group and user databases, this
// process's groups).
DeviceGroupFacts deviceGroupFacts(const std::string& devicePath, const std::string& usualGroup);

// The next step after opening a serial device failed with openErrno; empty
// unless openErrno is EACCES or EPERM.
std::string serialAccessAdvice(const std::string& devicePath, int openErrno,
                               const DeviceGroupFacts& facts);

// The real facts for a serial device.
DeviceGroupFacts serialAccessFacts(const std::string& devicePath);

// The /dev/i2c-N nodes and what opening each read-write gave this process.
struct I2cAccessFacts {
    int deviceCount = 0;
    int openableCount = 0;
    int deniedCount = 0;      // refused with EACCES or EPERM
    std::string firstDenied;  // the first node refused
    DeviceGroupFacts group;   // about firstDenied
};

// Loading i2c-dev when there is no node at all; the group to join when nodes
// are there but every one opened was refused for lack of permission; empty
// otherwise.
std::string i2cAccessAdvice(const I2cAccessFacts& facts);

// The real facts: every i2c-N in devDir, opened read-write and closed again.
I2cAccessFacts i2cAccessFacts(const std::string& devDir = "/dev");

}  // namespace lumivex
