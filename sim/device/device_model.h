#pragma once
// The ZEPTA video-wall controller as the panel reaches it: its settings, how
// its VCP codes read and write them, and how it answers serial frames. The
// DDC/CI simulator and zepta-sim both serve this model, so the two links
// agree about what every command does.
// The simulator's own copy of the protocol, kept apart from src/link on purpose: the tests compare the two.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace lumivex::device {

enum class Model : uint8_t { K410 = 0, K420 = 1 };

std::optional<Model> parseModel(std::string_view name);  // "K410" / "K420", any case
std::string_view modelName(Model model);

// VCP codes the controller answers.
namespace vcp {
inline constexpr uint8_t kFactoryReset = 0x04;
inline constexpr uint8_t kInputSource = 0x60;
inline constexpr uint8_t kResolution = 0xB0;
inline constexpr uint8_t kDisplayMode = 0xB1;
inline constexpr uint8_t kBezelMask = 0xB2;
inline constexpr uint8_t kGpio = 0xB3;
inline constexpr uint8_t kPower = 0xD6;
inline constexpr uint8_t kAutoAdjust = 0xEC;
inline constexpr uint8_t kModel = 0xF8;
inline constexpr uint8_t kIdentify = 0xFB;
inline constexpr uint8_t kOsdMode = 0xFC;
}  // namespace vcp

// Power as the controller reports it: 1 on, 4 off (0 is also read as off).
inline constexpr uint32_t kPowerOnReading = 1;
inline constexpr uint32_t kPowerOffReading = 4;
// Set in the bezel-mask value when the mask is on.
inline constexpr uint32_t kMaskOnBit = 0x8000;

struct DeviceState {
    uint8_t inputSource = 0;   // 0 VGA, 1 Component, 2 DVI
    bool powerOn = true;
    uint8_t osdLock = 0;       // 0 unlocked, 1 locked
    uint8_t rotation = 0;      // 0 normal, 2 rotated (as the serial reply carries it)
    uint8_t gpoBits = 0;       // outputs, bits 0..3
    uint8_t gpiBits = 0;       // inputs, bits 0..3 (set from outside: wiring)
    uint8_t resolution = 0;    // index into the resolution list
    uint8_t displayMode = 0;   // index into the model's wall layouts
    uint8_t maskH = 0;         // bezel mask, tenths of a percent (H: 0..127 over DDC/CI)
    uint8_t maskV = 0;
    bool maskOn = false;

    friend bool operator==(const DeviceState&, const DeviceState&) = default;
};

// What the controller made of one serial frame.
enum class FrameOutcome : uint8_t {
    Applied,      // a setting or action took effect
    Answered,     // a read request; the reply was produced
    Refused,      // a known command with a value the controller refuses; nothing changed
    Unknown,      // no such command of that length
    BadChecksum,  // the bytes do not sum to zero; ignored
};
std::string_view frameOutcomeName(FrameOutcome outcome);

struct DeviceCounters {
    int factoryResets = 0;
    int autoAdjusts = 0;
    int identifies = 0;

    friend bool operator==(const DeviceCounters&, const DeviceCounters&) = default;
};

class DeviceModel {
public:
    explicit DeviceModel(Model model = Model::K410);

    Model model() const { return m_model; }
    const DeviceState& state() const { return m_state; }
    DeviceState& state() { return m_state; }
    const DeviceCounters& counters() const { return m_counters; }

    // Wall layouts the model offers (K410: 7, K420: 5).
    int displayModeCount() const;
    static constexpr int kResolutionCount = 9;

    // A VCP read: false for a code the controller does not answer.
    bool readVcp(uint8_t code, uint32_t& current, uint32_t& maximum) const;
    // A VCP write: false for a code or value the controller refuses; a
    // refused write changes nothing.
    bool writeVcp(uint8_t code, uint32_t value);

    // One whole frame, length byte first. A read request appends its reply
    // (with its checksum) to reply; nothing else is ever appended.
    FrameOutcome handleFrame(std::span<const uint8_t> frame, std::vector<uint8_t>& reply);

    // Back to the factory settings; the wiring (GPI) stays as it is.
    void factoryReset();
    // The serial line carries each tenths value in a whole byte; the VCP
    // value has seven bits for H.
    void setBezelMask(uint8_t hTenths, uint8_t vTenths, bool on);
    // Both or neither: false (and nothing changes) when either is out of range.
    bool setResolutionAndMode(uint32_t resolution, uint32_t displayMode);

private:
    // writeVcp() by kind of code: an action that counts, the OSD mode, a setting.
    bool runAction(uint8_t code, uint32_t value);
    bool writeOsdMode(uint32_t value);
    bool writeSetting(uint8_t code, uint32_t value);

    Model m_model;
    DeviceState m_state;
    DeviceCounters m_counters;
};

}  // namespace lumivex::device
