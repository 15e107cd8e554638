#include "emulator_instance.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace lumivex::emulator {

namespace {

// Bus number + 1 for each emulated descriptor, 0 for every other one;
// read on every wrapped read() and write() of the process, so it is a
// plain table rather than a map behind the lock.
constexpr int kDescriptorLimit = 4096;
std::array<std::atomic<int>, kDescriptorLimit> g_descriptorBus{};
std::array<std::atomic<uint8_t>, kDescriptorLimit> g_descriptorAddress{};

std::string readWholeFile(const char* path, bool& ok)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    ok = file.good() || file.eof();
    return text.str();
}

}  // namespace

void stopWithMessage(const std::string& message)
{
    const std::string line = "i2c emulator: " + message + "\n";
    ssize_t ignored = ::write(STDERR_FILENO, line.data(), line.size());
    (void)ignored;
    ::_exit(86);
}

bool isEmulatedDescriptor(int fd)
{
    return fd >= 0 && fd < kDescriptorLimit && g_descriptorBus[fd].load() != 0;
}

std::optional<int> busNumberOfDevice(std::string_view path)
{
    constexpr std::string_view kPrefix = "i2c-";
    const size_t at = path.rfind(kPrefix);
    if (at == std::string_view::npos || (at > 0 && path[at - 1] != '/'))
        return std::nullopt;
    const std::string_view digits = path.substr(at + kPrefix.size());
    int number = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (ec != std::errc{} || end != digits.data() + digits.size() || digits.empty())
        return std::nullopt;
    return number;
}

EmulatorInstance* EmulatorInstance::get()
{
    // Made once the variable is there; a call before that (a test program
    // names its file only once it runs) is passed through, not remembered.
    static std::atomic<EmulatorInstance*> instance{nullptr};
    static std::mutex creation;
    if (EmulatorInstance* made = instance.load(std::memory_order_acquire))
        return made;
    const char* path = std::getenv(kEmulatorVariable);
    if (!path || !*path)
        return nullptr;
    std::lock_guard lock(creation);
    if (EmulatorInstance* made = instance.load(std::memory_order_acquire))
        return made;
    bool ok = false;
    const std::string text = readWholeFile(path, ok);
    if (!ok || text.empty())
        stopWithMessage(std::string("cannot read ") + path);
    ParsedConfig parsed = parseEmulatorConfig(text);
    if (!parsed.error.empty())
        stopWithMessage(std::string(path) + ": " + parsed.error);
    auto* made = new EmulatorInstance(std::move(parsed.config));
    instance.store(made, std::memory_order_release);
    return made;
}

EmulatorInstance::EmulatorInstance(EmulatorConfig config) : m_config(std::move(config))
{
    if (!m_config.logPath.empty())
        m_logFd = ::open(m_config.logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    for (const BusConfig& busConfig : m_config.buses) {
        m_buses.push_back(std::make_unique<EmulatedBus>(busConfig, [this](const std::string& line) { log(line); }));
        m_busList.push_back(m_buses.back().get());
    }
    restoreState();
}

EmulatedBus* EmulatorInstance::bus(int number)
{
    for (EmulatedBus* b : m_busList) {
        if (b->config().number == number)
            return b;
    }
    return nullptr;
}

void EmulatorInstance::adoptDescriptor(int fd, int bus)
{
    if (fd < 0 || fd >= kDescriptorLimit)
        stopWithMessage("descriptor " + std::to_string(fd) + " is beyond the table");
    g_descriptorAddress[fd] = 0;
    g_descriptorBus[fd] = bus + 1;
}

void EmulatorInstance::dropDescriptor(int fd)
{
    if (fd >= 0 && fd < kDescriptorLimit)
        g_descriptorBus[fd] = 0;
}

EmulatedBus* EmulatorInstance::busOfDescriptor(int fd)
{
    if (fd < 0 || fd >= kDescriptorLimit)
        return nullptr;
    const int number = g_descriptorBus[fd].load();
    return number == 0 ? nullptr : bus(number - 1);
}

void EmulatorInstance::setAddress(int fd, uint8_t address)
{
    g_descriptorAddress[fd] = address;
}

uint8_t EmulatorInstance::addressOf(int fd) const
{
    return g_descriptorAddress[fd].load();
}

void EmulatorInstance::log(std::string_view line)
{
    if (m_logFd < 0)
        return;
    std::string text(line);
    text += '\n';
    ssize_t ignored = ::write(m_logFd, text.data(), text.size());
    (void)ignored;
}

void EmulatorInstance::saveState()
{
    if (m_config.statePath.empty())
        return;
    std::string text;
    for (const EmulatedBus* b : m_busList)
        text += b->stateLine() + "\n";
    const std::string temporary = m_config.statePath + ".new";
    std::ofstream file(temporary, std::ios::trunc);
    file << text;
    file.close();
    if (!file || std::rename(temporary.c_str(), m_config.statePath.c_str()) != 0)
        stopWithMessage("cannot write the state file " + m_config.statePath);
}

void EmulatorInstance::restoreState()
{
    if (m_config.statePath.empty() || ::access(m_config.statePath.c_str(), F_OK) != 0)
        return;
    bool ok = false;
    std::istringstream lines(readWholeFile(m_config.statePath.c_str(), ok));
    for (std::string line; std::getline(lines, line);) {
        const size_t space = line.find(' ');
        const auto number = line.starts_with("bus=") ? std::optional<int>(std::atoi(line.c_str() + 4)) : std::nullopt;
        EmulatedBus* b = number ? bus(*number) : nullptr;
        if (!b || space == std::string::npos || !b->restoreState(std::string_view(line).substr(space + 1)))
            stopWithMessage("the state file " + m_config.statePath + " has a line it did not write: " + line);
    }
}

void EmulatorInstance::checkLibraryVersion()
{
    if (m_versionChecked)
        return;
    m_versionChecked = true;
    void* library = ::dlopen(kLibrarySoname, RTLD_LAZY | RTLD_NOLOAD);
    if (!library)
        stopWithMessage(std::string("i2c-dev is being enumerated, but not by ") + kLibrarySoname);
    using VersionString = const char* (*)();
    const auto versionString = reinterpret_cast<VersionString>(::dlsym(library, "ddca_ddcutil_version_string"));
    const std::string found = versionString ? versionString() : "(no version)";
    ::dlclose(library);
    if (found != kMadeForLibraryVersion)
        stopWithMessage("made to stand under libddcutil " + std::string(kMadeForLibraryVersion) + ", found " + found
                        + "; check what it does on the bus before trusting the suite");
    log("libddcutil " + found);
}

}  // namespace lumivex::emulator

// Lets a test program see that it runs with the emulator preloaded.
extern "C" __attribute__((visibility("default"))) int lumivex_i2c_emulator_present()
{
    return 1;
}
