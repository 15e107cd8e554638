#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace lumivex {

InstanceLock::InstanceLock(std::string name)
    : m_name(std::move(name))
{
}

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::filesystem::path InstanceLock::lockPath(const std::string& name)
{
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeDir && runtimeDir[0] == '/' && ::access(runtimeDir, W_OK | X_OK) == 0)
        return std::filesystem::path(runtimeDir) / (name + ".lock");
    std::error_code ec;
    std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
    if (ec)
        tmp = "/tmp";
    // The user id keeps one user's panel from blocking another's.
    return tmp / (name + "-" + std::to_string(::getuid()) + ".lock");
}

bool InstanceLock::tryAcquire()
{
    if (m_fd >= 0)
        return true;
    const std::filesystem::path path = lockPath(m_name);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    // flock belongs to the open file description: a second open in the same
    // process conflicts just as another process does.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

}  // namespace lumivex
