#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace lumivex {

namespace {

std::string systemError(int error)
{
    return std::strerror(error);
}

// Writes all of it, going on after a short write or a signal.
bool writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// A new file beside the target, under a name no other writer uses; its
// mode is what the process's umask makes of 0666, as for any new file.
int createBeside(const std::filesystem::path& path, std::string& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = path.string() + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

std::string replaceFileText(const std::filesystem::path& path, std::string_view text)
{
    struct stat existing {};
    const bool replacing = ::stat(path.c_str(), &existing) == 0;
    if (replacing && !S_ISREG(existing.st_mode))
        return "not a regular file";
    if (!replacing && errno != ENOENT)
        return systemError(errno);
    std::string temporary;
    const int fd = createBeside(path, temporary);
    if (fd < 0)
        return systemError(errno);
    // A replaced file keeps its permissions.
    bool ok = (!replacing || ::fchmod(fd, existing.st_mode & 07777) == 0) && writeAll(fd, text) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return systemError(error);
    }
    return {};
}

}  // namespace lumivex
