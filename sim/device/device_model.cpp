#include "sim/device/device_model.h"

#include <algorithm>
#include <cctype>

namespace lumivex::device {
namespace {

// An index below count; a refused one leaves the setting as it was.
bool setIndex(uint8_t& setting, uint32_t value, uint32_t count)
{
    if (value >= count)
        return false;
    setting = static_cast<uint8_t>(value);
    return true;
}

}  // namespace

std::optional<Model> parseModel(std::string_view name)
{
    auto equalsIgnoreCase = [&](std::string_view other) {
        return std::equal(name.begin(), name.end(), other.begin(), other.end(),
                          [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
    };
    if (equalsIgnoreCase("K410"))
        return Model::K410;
    if (equalsIgnoreCase("K420"))
        return Model::K420;
    return std::nullopt;
}

std::string_view modelName(Model model)
{
    return model == Model::K420 ? "K420" : "K410";
}

DeviceModel::DeviceModel(Model model)
    : m_model(model)
{
}

int DeviceModel::displayModeCount() const
{
    return m_model == Model::K420 ? 5 : 7;
}

void DeviceModel::factoryReset()
{
    const uint8_t wiring = m_state.gpiBits;
    m_state = DeviceState{};
    m_state.gpiBits = wiring;
}

void DeviceModel::setBezelMask(uint8_t hTenths, uint8_t vTenths, bool on)
{
    m_state.maskH = hTenths;
    m_state.maskV = vTenths;
    m_state.maskOn = on;
}

bool DeviceModel::setResolutionAndMode(uint32_t resolution, uint32_t displayMode)
{
    if (resolution >= kResolutionCount || displayMode >= static_cast<uint32_t>(displayModeCount()))
        return false;
    m_state.resolution = static_cast<uint8_t>(resolution);
    m_state.displayMode = static_cast<uint8_t>(displayMode);
    return true;
}

bool DeviceModel::readVcp(uint8_t code, uint32_t& current, uint32_t& maximum) const
{
    switch (code) {
    case vcp::kInputSource:
        current = m_state.inputSource, maximum = 2;
        return true;
    case vcp::kResolution:
        current = m_state.resolution, maximum = kResolutionCount - 1;
        return true;
    case vcp::kDisplayMode:
        current = m_state.displayMode, maximum = static_cast<uint32_t>(displayModeCount() - 1);
        return true;
    case vcp::kBezelMask:
        // H set over the serial line may exceed the seven bits of this
        // field; it reads as the largest value the field holds, never as
        // a smaller one or as the ON bit.
        current = (uint32_t(std::min<uint8_t>(m_state.maskH, 0x7F)) << 8) | m_state.maskV
                  | (m_state.maskOn ? kMaskOnBit : 0);
        maximum = 0xFFFF;
        return true;
    case vcp::kGpio:
        current = uint32_t(m_state.gpoBits & 0x0F) | (uint32_t(m_state.gpiBits & 0x0F) << 4);
        maximum = 0xFF;
        return true;
    case vcp::kPower:
        current = m_state.powerOn ? kPowerOnReading : kPowerOffReading, maximum = 5;
        return true;
    case vcp::kModel:
        current = m_model == Model::K420 ? 0xF801 : 0xF800, maximum = 0xFFFF;
        return true;
    case vcp::kOsdMode:
        current = m_state.osdLock, maximum = 3;
        return true;
    default:
        return false;  // write-only or unknown
    }
}

bool DeviceModel::writeVcp(uint8_t code, uint32_t value)
{
    switch (code) {
    case vcp::kFactoryReset:
    case vcp::kAutoAdjust:
    case vcp::kIdentify:
        return runAction(code, value);
    case vcp::kOsdMode:
        return writeOsdMode(value);
    default:
        return writeSetting(code, value);
    }
}

bool DeviceModel::runAction(uint8_t code, uint32_t value)
{
    switch (code) {
    case vcp::kFactoryReset:
        if (value != 1)
            return false;
        factoryReset();
        ++m_counters.factoryResets;
        return true;
    case vcp::kAutoAdjust:
        if (value != 1)
            return false;
        ++m_counters.autoAdjusts;
        return true;
    case vcp::kIdentify:
        if (value != 0)
            return false;
        ++m_counters.identifies;
        return true;
    default:
        return false;
    }
}

bool DeviceModel::writeOsdMode(uint32_t value)
{
    if (value > 3)
        return false;
    if (value <= 1)
        m_state.osdLock = static_cast<uint8_t>(value);
    else
        m_state.rotation = value == 3 ? 2 : 0;
    return true;
}

bool DeviceModel::writeSetting(uint8_t code, uint32_t value)
{
    switch (code) {
    case vcp::kInputSource:
        return setIndex(m_state.inputSource, value, 3);
    case vcp::kResolution:
        return setIndex(m_state.resolution, value, kResolutionCount);
    case vcp::kDisplayMode:
        return setIndex(m_state.displayMode, value, static_cast<uint32_t>(displayModeCount()));
    case vcp::kPower:
        if (value > 1)
            return false;
        m_state.powerOn = value == 1;
        return true;
    case vcp::kBezelMask:
        setBezelMask(static_cast<uint8_t>((value >> 8) & 0x7F), static_cast<uint8_t>(value & 0xFF),
                     (value & kMaskOnBit) != 0);
        return true;
    case vcp::kGpio:
        m_state.gpoBits = static_cast<uint8_t>(value & 0x0F);
        return true;
    default:
        return false;
    }
}

}  // namespace lumivex::device
