#include "link/command_table.h"

#include <algorithm>
#include <initializer_list>

namespace lumivex {

namespace {

constexpr int32_t kByteMax = 0xFF;

uint8_t lowByte(int32_t value)
{
    return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFF);
}

uint8_t clampedByte(int32_t value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, kByteMax));
}

Command make(CommandId id, uint32_t vcpValue, std::initializer_list<uint8_t> values)
{
    const CommandRow& row = commandRow(id);
    Command command;
    command.id = id;
    command.vcpCode = row.vcpCode;
    command.vcpValue = vcpValue;
    command.serialCommand = row.serialCommand;
    command.valueCount = static_cast<uint8_t>(std::min(values.size(), command.values.size()));
    std::copy_n(values.begin(), command.valueCount, command.values.begin());
    return command;
}

}  // namespace

const CommandRow& commandRow(CommandId id)
{
    return *std::find_if(kCommandTable.begin(), kCommandTable.end(),
                         [id](const CommandRow& row) { return row.id == id; });
}

namespace commands {

Command inputSource(int32_t index)
{
    return make(CommandId::InputSource, static_cast<uint32_t>(index), {lowByte(index)});
}

Command power(int32_t index)
{
    return make(CommandId::Power, static_cast<uint32_t>(index), {lowByte(index)});
}

Command factoryReset()
{
    return make(CommandId::FactoryReset, protocol::kVcpFunctionValue, {protocol::kFunctionFactoryReset});
}

Command autoAdjust()
{
    return make(CommandId::AutoAdjust, protocol::kVcpFunctionValue, {protocol::kFunctionAutoAdjust});
}

Command osdMode(int32_t mode)
{
    return make(CommandId::OsdMode, static_cast<uint32_t>(mode), {lowByte(mode)});
}

Command osdMode(protocol::OsdMode mode)
{
    return osdMode(int32_t(mode));
}

Command gpo(uint8_t outputBits)
{
    return make(CommandId::Gpo, outputBits, {outputBits});
}

Command identify()
{
    return make(CommandId::Identify, protocol::kVcpIdentifyValue, {uint8_t(protocol::OsdMode::Identify), 0});
}

Command resolution(int32_t resolutionIndex, int32_t displayModeIndex)
{
    return make(CommandId::Resolution, static_cast<uint32_t>(resolutionIndex),
                {lowByte(resolutionIndex), lowByte(displayModeIndex)});
}

Command displayMode(int32_t resolutionIndex, int32_t displayModeIndex)
{
    return make(CommandId::DisplayMode, static_cast<uint32_t>(displayModeIndex),
                {lowByte(resolutionIndex), lowByte(displayModeIndex)});
}

Command bezelMask(int32_t displayModeIndex, int32_t hTenths, int32_t vTenths, bool on)
{
    return make(CommandId::BezelMask, protocol::encodeMaskVcp({hTenths, vTenths, on}),
                {lowByte(displayModeIndex), clampedByte(hTenths), clampedByte(vTenths), uint8_t(on ? 1 : 0)});
}

}  // namespace commands

}  // namespace lumivex
