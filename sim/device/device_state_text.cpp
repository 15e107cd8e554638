#include "sim/device/device_state_text.h"

#include <charconv>
#include <limits>
#include <type_traits>
#include <utility>

namespace lumivex::device {

namespace {

struct Field {
    const char* name;
    uint32_t (*get)(const DeviceState&);
    bool (*set)(DeviceState&, uint32_t);  // false when the field cannot hold the value
};

template <auto Member>
constexpr Field field(const char* name)
{
    using Type = std::remove_reference_t<decltype(std::declval<DeviceState&>().*Member)>;
    return {name, [](const DeviceState& s) -> uint32_t { return s.*Member; },
            [](DeviceState& s, uint32_t v) {
                if (v > std::numeric_limits<Type>::max())
                    return false;
                s.*Member = static_cast<Type>(v);
                return true;
            }};
}

// Names are part of files written by earlier runs: never rename one.
constexpr Field kFields[] = {
    field<&DeviceState::inputSource>("input"),
    field<&DeviceState::powerOn>("power"),
    field<&DeviceState::osdLock>("osd-lock"),
    field<&DeviceState::rotation>("rotation"),
    field<&DeviceState::gpoBits>("gpo"),
    field<&DeviceState::gpiBits>("gpi"),
    field<&DeviceState::resolution>("resolution"),
    field<&DeviceState::displayMode>("mode"),
    field<&DeviceState::maskH>("mask-h"),
    field<&DeviceState::maskV>("mask-v"),
    field<&DeviceState::maskOn>("mask-on"),
};

}  // namespace

std::string stateWords(const DeviceState& state)
{
    std::string words;
    for (const Field& f : kFields) {
        if (!words.empty())
            words += ' ';
        words += f.name;
        words += '=';
        words += std::to_string(f.get(state));
    }
    return words;
}

StateWord applyStateWord(DeviceState& state, std::string_view name, std::string_view value)
{
    for (const Field& f : kFields) {
        if (name != f.name)
            continue;
        uint32_t number = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (error != std::errc{} || end != value.data() + value.size() || value.empty())
            return StateWord::BadValue;
        return f.set(state, number) ? StateWord::Taken : StateWord::BadValue;
    }
    return StateWord::UnknownName;
}

}  // namespace lumivex::device
