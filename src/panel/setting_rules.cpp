#include "panel/setting_rules.h"

#include "link/link_state.h"
#include "link/protocol.h"

namespace lumivex {

namespace {

using namespace protocol;

void takePower(int32_t reported, SettingState& state)
{
    if (const std::optional<Power> power = decodePower(reported))
        state.power = int32_t(*power);
}

void takeRotation(int32_t reported, SettingState& state)
{
    if (const std::optional<Rotation> rotation = decodeReportedRotation(reported))
        state.rotation = int32_t(*rotation);
}

void clearIndices(SettingState& state)
{
    state.inputSource = 0;
    state.power = 0;
    state.osdLock = 0;
    state.rotation = 0;
}

bool readOverDdc(LinkState& link, SettingState& state, std::optional<GpioBits>& gpio)
{
    uint32_t value = 0;
    if (link.readVcp(kVcpInputSource, value) != 0) {
        clearIndices(state);
        return false;
    }
    state.inputSource = int32_t(value);
    if (link.readVcp(kVcpPower, value) == 0)
        takePower(int32_t(value), state);
    if (link.readVcp(kVcpOsdMode, value) == 0)
        state.osdLock = int32_t(value);
    if (link.readVcp(kVcpGpio, value) == 0) {
        const GpioValue bits = decodeGpioVcp(value);
        gpio = GpioBits{bits.inputs, bits.outputs};
    }
    return true;
}

bool readOverSerial(LinkState& link, SettingState& state, std::optional<GpioBits>& gpio)
{
    const std::optional<SettingsReply> reply = link.readBackSettings();
    if (!reply) {
        clearIndices(state);
        return false;
    }
    state.inputSource = reply->inputSource;
    takePower(reply->power, state);
    state.osdLock = reply->osdLock;
    takeRotation(reply->rotation, state);
    gpio = GpioBits{uint8_t(reply->gpiBits & kGpioBits), uint8_t(reply->gpoBits & kGpioBits)};
    return true;
}

}  // namespace

ReadBackOutcome readBackSettings(LinkState& link, MessageService& messages, SettingState& state,
                                 std::optional<GpioBits>& gpio)
{
    gpio.reset();
    ReadBackSteps steps;
    steps.readDdc = [&](LinkState& l) { return readOverDdc(l, state, gpio); };
    steps.readSerial = [&](LinkState& l) { return readOverSerial(l, state, gpio); };
    // The page shows what it cleared at once and leaves the rest.
    steps.failureEndsActivation = true;
    return runActivationReadBack(link, messages, steps);
}

uint8_t gpoWithBit(uint8_t outputs, int bit, bool on)
{
    const auto mask = uint8_t(1u << (bit & 3));
    return on ? uint8_t(outputs | mask) : uint8_t(outputs & ~mask);
}

ModelFeatures modelFeatures(int32_t modelIndex)
{
    // K420 has no GPIO, no auto adjust and only the DVI input.
    if (modelIndex != 1)
        return {};
    return {false, false, false};
}

AutoAdjustCheck checkAutoAdjust(LinkState& link, int32_t inputSource, int displayModeSelection)
{
    switch (link.interfaceMode()) {
    case InterfaceMode::DdcCi: {
        uint32_t layout = kVcpWallLayoutFrom;
        link.readVcp(kVcpDisplayMode, layout);
        return layout >= kVcpWallLayoutFrom && inputSource != int32_t(Input::Vga) ? AutoAdjustCheck::NotVga : AutoAdjustCheck::Ask;
    }
    case InterfaceMode::Serial:
        if (inputSource != int32_t(Input::Vga))
            return AutoAdjustCheck::NotVga;
        return displayModeSelection == 0 ? AutoAdjustCheck::Ask : AutoAdjustCheck::NotOneByOne;
    case InterfaceMode::None:
        break;
    }
    return AutoAdjustCheck::NoLink;
}

QString autoAdjustMessage(AutoAdjustCheck check)
{
    switch (check) {
    case AutoAdjustCheck::Ask:
        return QString::fromLatin1(setting_messages::kAutoAdjust);
    case AutoAdjustCheck::NotVga:
        return QStringLiteral("Check input is VGA(1x1Mode) signal");
    case AutoAdjustCheck::NotOneByOne:
        return QStringLiteral("Check 1x1 mode");
    case AutoAdjustCheck::NoLink:
        break;
    }
    return {};
}

}  // namespace lumivex
