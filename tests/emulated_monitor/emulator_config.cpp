#include "emulator_config.h"

#include <charconv>

namespace lumivex::emulator {

namespace {

std::optional<unsigned long> number(std::string_view text, unsigned long limit)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    unsigned long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value > limit)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> split(std::string_view text, std::string_view separators)
{
    std::vector<std::string_view> parts;
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find_first_of(separators, at), text.size());
        if (end > at)
            parts.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

std::optional<std::pair<uint8_t, OwnCode>> ownCode(std::string_view text)
{
    const auto fields = split(text, ":");
    if (fields.size() < 3 || fields.size() > 4 || (fields.size() == 4 && fields[3] != "momentary"))
        return std::nullopt;
    const auto code = number(fields[0], 0xFF);
    const auto current = number(fields[1], 0xFFFF);
    const auto maximum = number(fields[2], 0xFFFF);
    if (!code || !current || !maximum)
        return std::nullopt;
    return std::pair{static_cast<uint8_t>(*code),
                     OwnCode{static_cast<uint16_t>(*current), static_cast<uint16_t>(*maximum), fields.size() == 4}};
}

// One key=value word of a bus line; false when it is not understood.
bool applyBusWord(BusConfig& bus, std::string_view key, std::string_view value)
{
    if (key == "model") {
        if (value == "none") {
            bus.model.reset();
            return true;
        }
        bus.model = device::parseModel(value);
        return bus.model.has_value();
    }
    if (key == "delay-ms") {
        const auto ms = number(value, 60000);
        bus.replyDelayMs = ms ? static_cast<int>(*ms) : 0;
        return ms.has_value();
    }
    if (key == "ddc")
        return (bus.ddcNak = value == "nak");
    if (key == "bad-checksum") {
        const auto code = number(value, 0xFF);
        if (code)
            bus.badChecksumCode = static_cast<uint8_t>(*code);
        return code.has_value();
    }
    if (key == "gpi") {
        const auto bits = number(value, 0x0F);
        bus.gpiBits = bits ? static_cast<uint8_t>(*bits) : 0;
        return bits.has_value();
    }
    if (key == "unsupported") {
        for (std::string_view item : split(value, ",")) {
            const auto code = number(item, 0xFF);
            if (!code)
                return false;
            bus.unsupported.insert(static_cast<uint8_t>(*code));
        }
        return true;
    }
    if (key == "code") {
        const auto entry = ownCode(value);
        if (entry)
            bus.codes[entry->first] = entry->second;
        return entry.has_value();
    }
    return false;
}

}  // namespace

ParsedConfig parseEmulatorConfig(std::string_view text)
{
    ParsedConfig parsed;
    int lineNumber = 0;
    for (std::string_view line : split(text, "\n")) {
        ++lineNumber;
        if (const size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        const auto words = split(line, " \t\r");
        BusConfig* bus = nullptr;
        for (std::string_view word : words) {
            const size_t equals = word.find('=');
            const std::string_view key = word.substr(0, equals);
            const std::string_view value = equals == std::string_view::npos ? "" : word.substr(equals + 1);
            bool understood = equals != std::string_view::npos;
            if (!understood) {
            } else if (key == "bus" && !bus) {
                const auto n = number(value, 255);
                understood = n.has_value();
                if (understood) {
                    parsed.config.buses.push_back(BusConfig{});
                    bus = &parsed.config.buses.back();
                    bus->number = static_cast<int>(*n);
                    bus->model = device::Model::K410;
                }
            } else if (bus) {
                understood = applyBusWord(*bus, key, value);
            } else if (key == "log") {
                parsed.config.logPath = std::string(value);
            } else if (key == "state") {
                parsed.config.statePath = std::string(value);
            } else {
                understood = false;
            }
            if (!understood && parsed.error.empty())
                parsed.error = "line " + std::to_string(lineNumber) + ": '" + std::string(word) + "' is not understood";
        }
    }
    return parsed;
}

}  // namespace lumivex::emulator
