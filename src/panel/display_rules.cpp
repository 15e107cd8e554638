#include "panel/display_rules.h"

#include "platform/ini_profile.h"
#include "link/link_state.h"
#include "link/protocol.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace lumivex {

namespace {

using namespace protocol;

constexpr const char* kBezelWidthKey = "Bezel Width";
constexpr const char* kViewableWidthKey = "Viewable Width";
constexpr const char* kBezelHeightKey = "Bezel Height";
constexpr const char* kViewableHeightKey = "Viewable Height";

void clearMask(DisplayState& state)
{
    state.hTenths = 0;
    state.vTenths = 0;
    state.maskMode = 0;
}

bool readOverDdc(LinkState& link, DisplayState& state)
{
    uint32_t value = 0;
    if (link.readVcp(kVcpResolution, value) == 0)
        state.resolution = int32_t(value);
    if (link.readVcp(kVcpDisplayMode, value) == 0)
        state.displayMode = int32_t(value);
    if (link.readVcp(kVcpBezelMask, value) != 0) {
        clearMask(state);
        return false;
    }
    const MaskValue mask = decodeMaskVcp(value);
    state.hTenths = mask.hTenths;
    state.vTenths = mask.vTenths;
    state.maskMode = int32_t(mask.on ? Mask::On : Mask::Off);
    return true;
}

bool readOverSerial(LinkState& link, DisplayState& state)
{
    const std::optional<DisplayReply> reply = link.readBackDisplay();
    if (!reply) {
        state.resolution = 0;
        state.displayMode = 0;
        clearMask(state);
        return false;
    }
    state.resolution = reply->resolution;
    state.displayMode = reply->displayMode;
    state.hTenths = reply->hTenths;
    state.vTenths = reply->vTenths;
    state.maskMode = reply->maskOn;
    return true;
}

// The device works in tenths; the page shows percentages with one decimal.
float percentFromSizes(double bezel, float viewable, float factor)
{
    const double exact = bezel / viewable * 100 * factor;
    if (!std::isfinite(exact) || std::fabs(exact) > std::numeric_limits<float>::max())
        return std::numeric_limits<float>::quiet_NaN();
    const float q = float(exact);
    // Far beyond any mask: nothing to round, and no integer could hold it.
    if (std::fabs(q) >= 1e8f)
        return q;
    const int n = int(q * 10 + 0.5);
    return float(n / 10.0);
}

int32_t tenthsFromPercent(float percent)
{
    const double tenths = std::round(double(percent) * 10);
    return int32_t(std::clamp(tenths, double(std::numeric_limits<int32_t>::min()),
                              double(std::numeric_limits<int32_t>::max())));
}

bool usable(float percent)
{
    return std::isfinite(percent) && percent >= 0;
}

}  // namespace

QStringList resolutionLabels()
{
    return {"1024x768@60Hz",  "1360x768@60Hz",  "1280x1024@60Hz", "1400x1050@60Hz", "1680x1050@60Hz",
            "1600x1200@60Hz", "1920x1200@60Hz", "1366x768@60Hz",  "1920x1080@60Hz"};
}

QStringList displayModeLabels(int32_t modelIndex)
{
    switch (modelIndex) {
    case 0:
        return {"1x1", "1x2", "2x2", "Mode1", "Mode2", "Mode3", "Mode4"};
    case 1:
        return {"1x1", "2x2", "2x3", "3x2", "3x3"};
    default:
        return {};
    }
}

ReadBackOutcome readBackDisplay(LinkState& link, MessageService& messages, DisplayState& state)
{
    ReadBackSteps steps;
    steps.readDdc = [&state](LinkState& l) { return readOverDdc(l, state); };
    steps.readSerial = [&state](LinkState& l) { return readOverSerial(l, state); };
    const ReadBackOutcome outcome = runActivationReadBack(link, messages, steps);
    state.hPercent = float(state.hTenths / 10.0);
    state.vPercent = float(state.vTenths / 10.0);
    return outcome;
}

std::string formatSize(double value)
{
    char digits[64];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 1);
    std::string text = error == std::errc() ? std::string(digits, end) : std::string("0.0");
    if (text.size() < 8)
        text.insert(0, 8 - text.size(), ' ');
    return text;
}

std::string formatSizeExact(double value)
{
    char digits[400];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    std::string text = error == std::errc() ? std::string(digits, end) : std::string("0.0");
    if (text.find('.') == std::string::npos)
        text += ".0";
    if (text.size() < 8)
        text.insert(0, 8 - text.size(), ' ');
    return text;
}

double widenSize(float value)
{
    char digits[64];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    double wide = value;
    if (error == std::errc())
        std::from_chars(digits, end, wide);
    return wide;
}

std::array<double, 4> sizesOf(const DisplayState& d)
{
    return {d.bezelWidth, widenSize(d.viewableWidth), widenSize(d.bezelHeight), widenSize(d.viewableHeight)};
}

double parseSize(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Sizes are kept as 32-bit floats; anything beyond them is no size.
    return error == std::errc() && std::fabs(value) <= std::numeric_limits<float>::max() ? value : 0;
}

void loadSizes(const IniProfile& profile, DisplayState& state)
{
    const auto read = [&](const char* key) { return parseSize(profile.readString(kSizesSection, key)); };
    state.bezelWidth = read(kBezelWidthKey);
    state.viewableWidth = float(read(kViewableWidthKey));
    state.bezelHeight = float(read(kBezelHeightKey));
    state.viewableHeight = float(read(kViewableHeightKey));
}

bool saveSizes(IniProfile& profile, const DisplayState& state, SizeDigits digits)
{
    // The panel's tenths come from the floats as they are, as they always did.
    const bool exact = digits == SizeDigits::Exact;
    const auto format = exact ? &formatSizeExact : &formatSize;
    const std::array<double, 4> sizes = exact ? sizesOf(state)
                                              : std::array<double, 4>{state.bezelWidth, state.viewableWidth,
                                                                      state.bezelHeight, state.viewableHeight};
    const char* const keys[] = {kBezelWidthKey, kViewableWidthKey, kBezelHeightKey, kViewableHeightKey};
    bool all = true;
    for (size_t i = 0; i < sizes.size(); ++i)
        all = profile.writeString(kSizesSection, keys[i], format(sizes[i])) && all;
    return all;
}

MaskCheck calculateMask(DisplayState& state, int32_t modelIndex)
{
    float h = state.hPercent;
    float v = state.vPercent;
    if (modelIndex == 0 || modelIndex == 1) {
        const float factor = modelIndex == 0 ? 0.5f : 1.0f;
        h = percentFromSizes(state.bezelWidth, state.viewableWidth, factor);
        v = percentFromSizes(state.bezelHeight, state.viewableHeight, factor);
    }
    // A zero viewable size or a negative one never reaches the device.
    if (!usable(h) || !usable(v))
        return MaskCheck::CheckParameters;
    state.hPercent = h;
    state.vPercent = v;
    state.hTenths = tenthsFromPercent(h);
    state.vTenths = tenthsFromPercent(v);
    return h > kMaxMaskPercent || v > kMaxMaskPercent ? MaskCheck::OutOfRange : MaskCheck::Fine;
}

QString maskCheckMessage(MaskCheck check)
{
    switch (check) {
    case MaskCheck::OutOfRange:
        return QStringLiteral("Out of range,Maximum mask percent is 10%");
    case MaskCheck::CheckParameters:
        return QStringLiteral("Please check mask parameters");
    case MaskCheck::Fine:
        break;
    }
    return {};
}

}  // namespace lumivex
