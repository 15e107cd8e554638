// The libc calls through which a library reaches /dev/i2c-N and its sysfs
// entries, answered by the emulated buses; every other path and descriptor
// goes to the real call. Its syslog lines go to the exchange log, since
// without a syslog daemon they would land on the console.

#include "emulator_instance.h"
#include "real_function.h"

#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

using namespace lumivex::emulator;

namespace {

constexpr unsigned kI2cDevMajor = 89;

// The emulated bus a /dev/i2c-N path names, or nullptr.
EmulatedBus* busOfDevicePath(EmulatorInstance*& emulator, const char* path)
{
    if (!path || std::strncmp(path, "/dev/i2c-", 9) != 0)
        return nullptr;
    emulator = EmulatorInstance::get();
    const auto number = busNumberOfDevice(path);
    return emulator && number ? emulator->bus(*number) : nullptr;
}

// /sys/bus/i2c/devices/i2c-N/<entry>, /sys/class/i2c-dev/i2c-N/<entry>.
EmulatedBus* busOfSysfsPath(const char* path, std::string& entry)
{
    if (!path || std::strncmp(path, "/sys/", 5) != 0)
        return nullptr;
    const std::string_view text(path);
    for (std::string_view prefix : {"/sys/bus/i2c/devices/i2c-", "/sys/class/i2c-dev/i2c-"}) {
        if (!text.starts_with(prefix))
            continue;
        EmulatorInstance* emulator = EmulatorInstance::get();
        if (!emulator)
            return nullptr;
        const std::string_view rest = text.substr(prefix.size() - 4);  // from "i2c-"
        const size_t slash = rest.find('/');
        const auto number = busNumberOfDevice(rest.substr(0, slash));
        entry = slash == std::string_view::npos ? "" : std::string(rest.substr(slash + 1));
        return number ? emulator->bus(*number) : nullptr;
    }
    return nullptr;
}

std::string busName(const EmulatedBus& bus)
{
    return "LVX emulated i2c bus " + std::to_string(bus.config().number);
}

int openEmulated(EmulatorInstance& emulator, EmulatedBus& bus)
{
    std::lock_guard lock(emulator.mutex());
    const std::string name = "i2c-" + std::to_string(bus.config().number);
    const int fd = ::memfd_create(name.c_str(), MFD_CLOEXEC);
    if (fd >= 0) {
        emulator.adoptDescriptor(fd, bus.config().number);
        emulator.log(name + " open");
    }
    return fd;
}

int transfer(EmulatorInstance& emulator, EmulatedBus& bus, i2c_rdwr_ioctl_data* data)
{
    std::lock_guard lock(emulator.mutex());
    const auto now = EmulatedBus::Clock::now();
    for (uint32_t i = 0; i < data->nmsgs; ++i) {
        i2c_msg& message = data->msgs[i];
        const uint8_t address = static_cast<uint8_t>(message.addr);
        const bool acknowledged = (message.flags & I2C_M_RD)
                                      ? bus.read(address, {message.buf, message.len}, now)
                                      : bus.write(address, {message.buf, message.len}, now);
        if (!acknowledged) {
            errno = ENXIO;
            return -1;
        }
    }
    emulator.saveState();
    return static_cast<int>(data->nmsgs);
}

int openDevice(const char* path, int flags, mode_t mode, int (*real)(const char*, int, ...))
{
    EmulatorInstance* emulator = nullptr;
    if (EmulatedBus* bus = busOfDevicePath(emulator, path))
        return openEmulated(*emulator, *bus);
    return real(path, flags, mode);
}

mode_t modeArgument(int flags, va_list& arguments)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

void logSyslog(const char* format, va_list arguments)
{
    EmulatorInstance* emulator = EmulatorInstance::get();
    char line[512];
    std::vsnprintf(line, sizeof line, format, arguments);
    std::lock_guard lock(emulator->mutex());
    emulator->log(std::string("syslog: ") + line);
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return openDevice(path, flags, mode, LUMIVEX_REAL(open));
}

int open64(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = modeArgument(flags, arguments);
    va_end(arguments);
    return openDevice(path, flags, mode, LUMIVEX_REAL(open64));
}

int __open_2(const char* path, int flags)
{
    return openDevice(path, flags, 0, LUMIVEX_REAL(open));
}

int __open64_2(const char* path, int flags)
{
    return openDevice(path, flags, 0, LUMIVEX_REAL(open64));
}

int close(int fd)
{
    if (isEmulatedDescriptor(fd)) {
        EmulatorInstance* emulator = EmulatorInstance::get();
        std::lock_guard lock(emulator->mutex());
        emulator->log("i2c-" + std::to_string(emulator->busOfDescriptor(fd)->config().number) + " close");
        emulator->dropDescriptor(fd);
    }
    return LUMIVEX_REAL(close)(fd);
}

ssize_t write(int fd, const void* buffer, size_t count)
{
    if (!isEmulatedDescriptor(fd))
        return LUMIVEX_REAL(write)(fd, buffer, count);
    EmulatorInstance* emulator = EmulatorInstance::get();
    EmulatedBus* bus = emulator->busOfDescriptor(fd);
    std::lock_guard lock(emulator->mutex());
    if (!bus->write(emulator->addressOf(fd), {static_cast<const uint8_t*>(buffer), count}, EmulatedBus::Clock::now())) {
        errno = ENXIO;
        return -1;
    }
    emulator->saveState();
    return static_cast<ssize_t>(count);
}

ssize_t read(int fd, void* buffer, size_t count)
{
    if (!isEmulatedDescriptor(fd))
        return LUMIVEX_REAL(read)(fd, buffer, count);
    EmulatorInstance* emulator = EmulatorInstance::get();
    EmulatedBus* bus = emulator->busOfDescriptor(fd);
    std::lock_guard lock(emulator->mutex());
    if (!bus->read(emulator->addressOf(fd), {static_cast<uint8_t*>(buffer), count}, EmulatedBus::Clock::now())) {
        errno = ENXIO;
        return -1;
    }
    return static_cast<ssize_t>(count);
}

int ioctl(int fd, unsigned long request, ...) noexcept
{
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (!isEmulatedDescriptor(fd))
        return LUMIVEX_REAL(ioctl)(fd, request, argument);
    EmulatorInstance* emulator = EmulatorInstance::get();
    EmulatedBus* bus = emulator->busOfDescriptor(fd);
    switch (request) {
    case I2C_FUNCS:
        *static_cast<unsigned long*>(argument) = I2C_FUNC_I2C;
        return 0;
    case I2C_SLAVE:
    case I2C_SLAVE_FORCE:
        emulator->setAddress(fd, static_cast<uint8_t>(reinterpret_cast<uintptr_t>(argument)));
        return 0;
    case I2C_RDWR:
        return transfer(*emulator, *bus, static_cast<i2c_rdwr_ioctl_data*>(argument));
    default:
        errno = ENOTTY;
        return -1;
    }
}

int stat(const char* __restrict path, struct stat* __restrict buffer) noexcept
{
    EmulatorInstance* emulator = nullptr;
    if (EmulatedBus* bus = busOfDevicePath(emulator, path)) {
        std::memset(buffer, 0, sizeof *buffer);
        buffer->st_mode = S_IFCHR | 0660;
        buffer->st_rdev = makedev(kI2cDevMajor, static_cast<unsigned>(bus->config().number));
        return 0;
    }
    return LUMIVEX_REAL(stat)(path, buffer);
}

FILE* fopen(const char* __restrict path, const char* __restrict mode)
{
    std::string entry;
    if (EmulatedBus* bus = busOfSysfsPath(path, entry)) {
        if (entry == "name") {
            // The stream owns its buffer, so it outlives this call.
            const std::string name = busName(*bus) + "\n";
            FILE* stream = ::fmemopen(nullptr, name.size() + 1, "w+");
            if (stream) {
                std::fputs(name.c_str(), stream);
                std::rewind(stream);
            }
            return stream;
        }
        errno = ENOENT;
        return nullptr;
    }
    return LUMIVEX_REAL(fopen)(path, mode);
}

FILE* fopen64(const char* __restrict path, const char* __restrict mode)
{
    return fopen(path, mode);
}

void openlog(const char* ident, int option, int facility)
{
    if (!EmulatorInstance::get())
        LUMIVEX_REAL(openlog)(ident, option, facility);
}

void closelog(void)
{
    if (!EmulatorInstance::get())
        LUMIVEX_REAL(closelog)();
}

void vsyslog(int priority, const char* format, va_list arguments)
{
    if (EmulatorInstance::get())
        logSyslog(format, arguments);
    else
        LUMIVEX_REAL(vsyslog)(priority, format, arguments);
}

void syslog(int priority, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsyslog(priority, format, arguments);
    va_end(arguments);
}

void __syslog_chk(int priority, int, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vsyslog(priority, format, arguments);
    va_end(arguments);
}

}  // extern "C"
