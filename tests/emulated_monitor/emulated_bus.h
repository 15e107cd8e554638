#pragma once
// One emulated I2C bus with a monitor on it: its EDID at 0x50 and its
// DDC/CI responder at 0x37. The I2C glue hands it each write and read with
// the time it happened; the bus answers as the monitor would, or NAKs.

#include "ddc_wire.h"
#include "sim/device/device_model.h"
#include "edid.h"
#include "emulator_config.h"

#include <chrono>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex::emulator {

class EmulatedBus {
public:
    using Clock = std::chrono::steady_clock;
    using LogSink = std::function<void(const std::string&)>;

    EmulatedBus(BusConfig config, LogSink log);

    const BusConfig& config() const { return m_config; }
    const device::DeviceModel& controller() const { return m_controller; }

    // false is a NAK: nothing at that address, or DDC/CI switched off.
    bool write(uint8_t address, std::span<const uint8_t> bytes, Clock::time_point now);
    bool read(uint8_t address, std::span<uint8_t> out, Clock::time_point now);

    // What a Set changed, as one line of the state file, and back.
    std::string stateLine() const;
    bool restoreState(std::string_view line);

private:
    VcpReading reading(uint8_t code) const;
    void applySet(const SetRequest& set);
    void log(const std::string& line) const;

    BusConfig m_config;
    LogSink m_log;
    device::DeviceModel m_controller;
    EdidBlock m_edid;
    size_t m_edidOffset = 0;
    std::vector<uint8_t> m_reply;
    Clock::time_point m_replyReady{};
};

}  // namespace lumivex::emulator
