#pragma once
// The Setting page's values and rules without widgets: the read-back of
// input source, power, OSD lock, rotation and GPIO, and the checks before
// "Auto Adjust".

#include "panel/activation_read_back.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace lumivex {

class LinkState;
class MessageService;

struct SettingState {
    int32_t inputSource = 0;  // 0 VGA, 1 Component, 2 DVI
    int32_t power = 0;        // 0 OFF, 1 ON
    int32_t osdLock = 0;      // 0 UNLOCK, 1 LOCK
    int32_t rotation = 0;     // 0 Normal, 1 Rotation
    uint8_t gpoOutput = 0;    // bits 0..3: GPO-1..GPO-4 as last sent
};

// Bits 0..3 of each: GPI-1..GPI-4 and GPO-1..GPO-4 as the device reports.
struct GpioBits {
    uint8_t inputs = 0;
    uint8_t outputs = 0;
};

// Over DDC/CI reads the input source (a failure clears the four indices and
// ends the read-back), then power, OSD mode and GPIO; over serial asks for
// the settings reply. A power or rotation the device reports that names
// neither value keeps what the page showed. gpio is
// set when the device reported its GPIO bits. The output byte the page
// sends is left as it is.
ReadBackOutcome readBackSettings(LinkState& link, MessageService& messages, SettingState& state,
                                 std::optional<GpioBits>& gpio);

// The output byte with one GPO bit (0..3) switched; the byte goes out whole.
uint8_t gpoWithBit(uint8_t outputs, int bit, bool on);

// What each model offers on the Setting page; with no model known, all.
struct ModelFeatures {
    bool analogInputs = true;  // VGA and Component; DVI is always there
    bool gpio = true;
    bool autoAdjust = true;
};
ModelFeatures modelFeatures(int32_t modelIndex);

enum class AutoAdjustCheck {
    Ask,          // "Screen will auto adjust"
    NotVga,       // "Check input is VGA(1x1Mode) signal"
    NotOneByOne,  // "Check 1x1 mode"
    NoLink,       // nothing, no message
};

// displayModeSelection is the Display page's layout list selection, -1
// when it has none (the tab was never shown). Under DDC/CI the device's
// layout decides, and a layout it cannot report counts as a wall.
AutoAdjustCheck checkAutoAdjust(LinkState& link, int32_t inputSource, int displayModeSelection);

QString autoAdjustMessage(AutoAdjustCheck check);

namespace setting_messages {
inline constexpr const char* kPowerOff = "ZEPTA device will be turn off,press ALT+P will be turn on";
inline constexpr const char* kFactoryReset = "System will load factory setting";
inline constexpr const char* kAutoAdjust = "Screen will auto adjust";
}  // namespace setting_messages

}  // namespace lumivex
