#pragma once
// The Display page's values and rules without widgets: the lists, the
// read-back of resolution, layout and bezel mask, the mask arithmetic and
// the sizes kept in ZEPTA.ini.

#include "panel/activation_read_back.h"

#include <QStringList>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumivex {

class IniProfile;
class LinkState;
class MessageService;

struct DisplayState {
    int32_t resolution = 0;   // position in the resolution list
    int32_t displayMode = 0;  // position in the display-mode list (the wall layout)
    int32_t hTenths = 0;      // mask in tenths of a percent
    int32_t vTenths = 0;
    int32_t maskMode = 0;     // 0 OFF, 1 ON
    float hPercent = 0;
    float vPercent = 0;
    double bezelWidth = 0;    // millimetres
    float viewableWidth = 0;
    float bezelHeight = 0;
    float viewableHeight = 0;
};

// The nine resolutions, by the index the device receives.
QStringList resolutionLabels();
// The wall layouts of the model (0 K410, 1 K420); none while no model is known.
QStringList displayModeLabels(int32_t modelIndex);

// Over DDC/CI reads the resolution and the layout unchecked (a failed read
// keeps what the page held) and the bezel mask checked; over serial asks for
// the display reply, falling back to the first entries, no mask and mask OFF.
// Then the percentages follow the tenths.
ReadBackOutcome readBackDisplay(LinkState& link, MessageService& messages, DisplayState& state);

// The sizes are kept in section "Dialog Settings" of ZEPTA.ini.
inline constexpr const char* kSizesSection = "Dialog Settings";
inline constexpr double kMaxSize = 10000;  // millimetres

// A missing or unreadable size reads as 0.
void loadSizes(const IniProfile& profile, DisplayState& state);
enum class SizeDigits {
    Tenths,  // "%8.1f", as the Windows panel wrote them
    Exact,   // every digit the value holds, so a restored set-up reads back the same
};
// In the order the Windows panel wrote them. False when any of the four
// could not be written.
bool saveSizes(IniProfile& profile, const DisplayState& state, SizeDigits digits = SizeDigits::Tenths);

enum class MaskCheck {
    Fine,
    OutOfRange,       // above 10 %: reported, kept in the page
    CheckParameters,  // negative or not a number: reported, nothing changes
};

// The largest percentage the device masks.
inline constexpr float kMaxMaskPercent = 10;

// From the sizes to the percentages and tenths: K410 masks half the bezel
// on each monitor, K420 the whole of it; with no model known the
// percentages stay and only the tenths follow them. A result that is
// negative or not finite leaves percentages and tenths as they were.
MaskCheck calculateMask(DisplayState& state, int32_t modelIndex);

// The texts of the mask checks, none for Fine.
QString maskCheckMessage(MaskCheck check);

// "%8.1f" whatever the locale: right-aligned in eight, one decimal.
std::string formatSize(double value);
// The shortest digits that read back to the same double, at least one
// decimal, right-aligned in eight: "    10.0", "  600.25".
std::string formatSizeExact(double value);
// A size held as a float, as the double its shortest digits name: 340.05f
// becomes 340.05, not 340.04998779296875.
double widenSize(float value);
// The four sizes as doubles, the float ones widened by widenSize.
std::array<double, 4> sizesOf(const DisplayState& state);
// The number the text starts with, whatever the locale; 0 when none.
double parseSize(std::string_view text);

}  // namespace lumivex
