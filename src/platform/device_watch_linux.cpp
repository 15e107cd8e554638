#include "platform/device_watch.h"

#include <QSocketNotifier>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <string_view>
#include <sys/inotify.h>
#include <unistd.h>

namespace lumivex {
namespace {

namespace fs = std::filesystem;

// Attributes too: udev opens a new node to its group after creating it.
constexpr uint32_t kEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB;
// The watched folder itself going away: watch its parent instead.
constexpr uint32_t kFolderEvents = IN_DELETE_SELF | IN_MOVE_SELF;
constexpr uint32_t kFolderGone = kFolderEvents | IN_IGNORED;

bool isInside(const fs::path& path, const fs::path& folder)
{
    const std::string& p = path.native();
    const std::string& f = folder.native();
    return p.size() > f.size() && p.starts_with(f) && (f.back() == '/' || p[f.size()] == '/');
}

// The folder to watch for path: its own, or the nearest one above it that exists.
fs::path watchedFolder(const fs::path& path)
{
    fs::path folder = path.parent_path();
    std::error_code error;
    while (!fs::is_directory(folder, error) && folder.has_relative_path())
        folder = folder.parent_path();
    return folder;
}

}  // namespace

class DeviceWatch::Backend {
public:
    struct Wanted {
        std::string given;  // as told, and as reported
        fs::path path;      // lexically normal, for matching
    };

    Backend()
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
    }
    ~Backend()
    {
        notifier.reset();  // before its descriptor goes
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    int fd() const { return m_fd; }

    bool watch(const std::vector<std::string>& paths)
    {
        m_wanted.clear();
        for (const std::string& given : paths) {
            fs::path path = fs::path(given).lexically_normal();
            if (path.is_absolute() && path.has_filename())
                m_wanted.push_back({given, std::move(path)});
        }
        return arm();
    }

    // The paths the changes waiting now touch, each once, in the order given.
    std::vector<QString> readChanges()
    {
        std::vector<bool> touched(m_wanted.size(), false);
        bool rearm = false;
        alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
        for (;;) {
            const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
            if (length <= 0)
                break;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += ssize_t(sizeof(inotify_event) + event->len);
                rearm |= take(*event, touched);
            }
        }
        if (rearm)
            arm();
        std::vector<QString> changed;
        for (size_t i = 0; i < m_wanted.size(); ++i) {
            if (touched[i])
                changed.push_back(QString::fromStdString(m_wanted[i].given));
        }
        return changed;
    }

    std::unique_ptr<QSocketNotifier> notifier;

private:
    // Marks the paths one event touches; true when the folders to watch change.
    bool take(const inotify_event& event, std::vector<bool>& touched)
    {
        if (event.mask & IN_Q_OVERFLOW) {
            touched.assign(touched.size(), true);
            return true;
        }
        const auto folders = m_folders.find(event.wd);
        if (folders == m_folders.end())
            return false;  // a watch given up already
        bool rearm = false;
        for (const fs::path& folder : folders->second) {
            if (event.mask & kFolderGone) {
                mark([&](const fs::path& path) { return isInside(path, folder); }, touched);
                rearm = true;
            } else if (event.len > 0) {
                const fs::path entry = folder / std::string_view(event.name);
                mark([&](const fs::path& path) { return path == entry; }, touched);
                // A folder on the way to a watched path came or went.
                rearm |= mark([&](const fs::path& path) { return isInside(path, entry); }, touched);
            }
        }
        return rearm;
    }

    template <typename Match>
    bool mark(const Match& match, std::vector<bool>& touched) const
    {
        bool any = false;
        for (size_t i = 0; i < m_wanted.size(); ++i) {
            if (match(m_wanted[i].path)) {
                touched[i] = true;
                any = true;
            }
        }
        return any;
    }

    bool arm()
    {
        if (m_fd < 0)
            return false;
        std::map<int, std::vector<fs::path>> folders;
        bool allWatched = true;
        for (const Wanted& wanted : m_wanted) {
            const fs::path folder = watchedFolder(wanted.path);
            // The same folder (or another name of it) gives the same descriptor.
            const int wd = inotify_add_watch(m_fd, folder.c_str(), kEntryEvents | kFolderEvents | IN_ONLYDIR);
            if (wd < 0) {
                allWatched = false;
                continue;
            }
            std::vector<fs::path>& names = folders[wd];
            if (std::find(names.begin(), names.end(), folder) == names.end())
                names.push_back(folder);
        }
        for (const auto& [wd, names] : m_folders) {
            if (!folders.contains(wd))
                inotify_rm_watch(m_fd, wd);
        }
        m_folders = std::move(folders);
        return allWatched;
    }

    int m_fd = -1;
    std::vector<Wanted> m_wanted;
    std::map<int, std::vector<fs::path>> m_folders;  // watch descriptor → the folders it stands for
};

DeviceWatch::DeviceWatch(QObject* parent)
    : QObject(parent)
    , m_backend(std::make_unique<Backend>())
{
    if (m_backend->fd() < 0)
        return;
    m_backend->notifier = std::make_unique<QSocketNotifier>(m_backend->fd(), QSocketNotifier::Read);
    m_backend->notifier->setEnabled(false);
    connect(m_backend->notifier.get(), &QSocketNotifier::activated, this, &DeviceWatch::readChanges);
}

DeviceWatch::~DeviceWatch() = default;

bool DeviceWatch::watch(const std::vector<std::string>& paths)
{
    return m_backend->watch(paths);
}

void DeviceWatch::start()
{
    if (m_backend->notifier)
        m_backend->notifier->setEnabled(true);
}

void DeviceWatch::readChanges()
{
    for (const QString& path : m_backend->readChanges())
        emit changed(path);
}

}  // namespace lumivex
