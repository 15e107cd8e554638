#include "platform/ini_profile.h"

#include "platform/file_replace.h"
#include "platform/ini_reader.h"
#include "platform/ini_syntax.h"
#include "platform/ini_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace lumivex {

namespace {

struct FileText {
    enum class Status { Read, Missing, Unreadable, TooLarge };
    Status status = Status::Unreadable;
    std::string text;
    std::optional<std::uint64_t> size;  // TooLarge: what fstat said, unless it grew while read
};

// The whole file, when it is a regular file within the limit. The size is
// taken from the opened file, and no more than the limit and one byte is
// ever read, so a file that grows meanwhile cannot get around it. Opened
// without blocking, so a FIFO put in its place is refused, not waited on.
FileText readFile(const std::filesystem::path& path)
{
    FileText file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        file.status = errno == ENOENT ? FileText::Status::Missing : FileText::Status::Unreadable;
        return file;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return file;
    }
    if (overSettingsLimit(std::uint64_t(st.st_size))) {
        ::close(fd);
        file.status = FileText::Status::TooLarge;
        file.size = std::uint64_t(st.st_size);
        return file;
    }
    // Room for what fstat said and a byte more, to see a file that grew.
    constexpr size_t kMost = size_t(kSettingsFileLimit) + 1;
    file.text.resize(size_t(st.st_size) + 1);
    size_t got = 0;
    while (got < kMost) {
        if (got == file.text.size())
            file.text.resize(std::min(2 * got, kMost));
        const ssize_t n = ::read(fd, file.text.data() + got, file.text.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            file.status = n == 0 ? FileText::Status::Read : FileText::Status::Unreadable;
            break;
        }
        got += size_t(n);
    }
    ::close(fd);
    if (overSettingsLimit(got))
        file.status = FileText::Status::TooLarge;
    file.text.resize(file.status == FileText::Status::Read ? got : 0);
    return file;
}

}  // namespace

std::string tooLargeLine(std::string_view name, std::optional<std::uint64_t> size)
{
    std::string line(name);
    line += ": ";
    if (size)
        line += std::to_string(*size) + " bytes, ";
    return line + "more than the limit of " + std::to_string(kSettingsFileLimit) + " bytes";
}

IniProfile::IniProfile(std::filesystem::path path)
    : m_path(std::move(path))
{
}

std::string IniProfile::readString(std::string_view section, std::string_view key,
                                   std::string_view defaultValue) const
{
    const FileText file = readFile(m_path);
    std::optional<std::string> value;
    if (file.status == FileText::Status::Read)
        value = readIniValue(file.text, section, key);
    return value ? std::move(*value) : std::string(defaultValue);
}

std::vector<std::pair<std::string, std::string>> IniProfile::readSection(std::string_view section) const
{
    const FileText file = readFile(m_path);
    std::vector<std::pair<std::string, std::string>> entries;
    if (file.status != FileText::Status::Read)
        return entries;
    const std::string wanted = ini::foldName(section);
    for (IniEntry& entry : readIniEntries(file.text))
        if (ini::foldName(entry.section) == wanted)
            entries.emplace_back(std::move(entry.key), std::move(entry.value));
    return entries;
}

bool IniProfile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    const FileText file = readFile(m_path);
    if (file.status != FileText::Status::Read && file.status != FileText::Status::Missing)
        return false;  // unreadable: never overwrite what we could not read
    const std::optional<std::string> edited = writeIniValue(file.text, section, key, value);
    if (!edited || overSettingsLimit(edited->size()))
        return false;  // the reader would not read it back as written, or read it at all
    std::error_code ec;
    if (m_path.has_parent_path())
        std::filesystem::create_directories(m_path.parent_path(), ec);
    return replaceFileText(m_path, *edited).empty();
}

std::string IniProfile::refusal() const
{
    const FileText file = readFile(m_path);
    return file.status == FileText::Status::TooLarge ? tooLargeLine(m_path.string(), file.size) : std::string();
}

}  // namespace lumivex
