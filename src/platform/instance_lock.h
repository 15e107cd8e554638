#pragma once
// One running copy at a time: a lock named like the system's instance
// mutex, held for the life of the process and released by the kernel when
// the process ends, however it ends.

#include <filesystem>
#include <string>

namespace lumivex {

inline constexpr const char* kInstanceLockName = "RunOnlyOneInstance";

class InstanceLock {
public:
    explicit InstanceLock(std::string name = kInstanceLockName);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another holder has it, or when the lock cannot be made.
    bool tryAcquire();
    bool isHeld() const { return m_fd >= 0; }

    // $XDG_RUNTIME_DIR/<name>.lock, or <temp dir>/<name>-<uid>.lock.
    static std::filesystem::path lockPath(const std::string& name);

private:
    std::string m_name;
    int m_fd = -1;
};

}  // namespace lumivex
