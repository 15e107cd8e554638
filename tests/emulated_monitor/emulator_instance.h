#pragma once
// The emulator inside one process: the buses of the file named by
// LUMIVEX_I2C_EMULATOR, the descriptors opened on them, the exchange log
// and the state file. It starts the first time a wrapped call needs it,
// since the libraries it stands under start before its own constructors.
// With the variable unset every wrapped call passes straight through.

#include "emulated_bus.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex::emulator {

// The libddcutil these buses were made to stand under; another version
// stops the process rather than let a suite pass against it untested.
inline constexpr std::string_view kMadeForLibraryVersion = "1.4.1";
inline constexpr const char* kLibrarySoname = "libddcutil.so.4";

class EmulatorInstance {
public:
    // nullptr when the variable is unset. A file that cannot be read or is
    // not understood ends the process with a message.
    static EmulatorInstance* get();

    std::mutex& mutex() { return m_mutex; }
    EmulatedBus* bus(int number);
    const std::vector<EmulatedBus*>& buses() const { return m_busList; }

    // Descriptors opened on /dev/i2c-N, with the address I2C_SLAVE chose.
    void adoptDescriptor(int fd, int bus);
    void dropDescriptor(int fd);
    EmulatedBus* busOfDescriptor(int fd);
    void setAddress(int fd, uint8_t address);
    uint8_t addressOf(int fd) const;

    void log(std::string_view line);
    void saveState();
    // Stops the process unless libddcutil of the expected version is loaded.
    void checkLibraryVersion();

private:
    EmulatorInstance(EmulatorConfig config);
    void restoreState();

    std::mutex m_mutex;
    EmulatorConfig m_config;
    std::vector<std::unique_ptr<EmulatedBus>> m_buses;
    std::vector<EmulatedBus*> m_busList;
    int m_logFd = -1;
    bool m_versionChecked = false;
};

// True for a descriptor opened on an emulated bus; asks nothing of the
// instance, so the wrapped read() and write() of the instance itself and of
// everything else in the process pass straight through.
bool isEmulatedDescriptor(int fd);

// Parses "/dev/i2c-N" or a sysfs path naming i2c-N into N.
std::optional<int> busNumberOfDevice(std::string_view path);

[[noreturn]] void stopWithMessage(const std::string& message);

}  // namespace lumivex::emulator
