#include "emulated_bus.h"

#include "sim/device/device_state_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace lumivex::emulator {

namespace {

// Codes that act once and hold no value.
bool isMomentary(uint8_t code)
{
    return code == device::vcp::kFactoryReset || code == device::vcp::kAutoAdjust || code == device::vcp::kIdentify;
}

std::string hexBytes(std::span<const uint8_t> bytes)
{
    std::string text;
    char item[4];
    for (uint8_t b : bytes) {
        std::snprintf(item, sizeof item, text.empty() ? "%02X" : " %02X", b);
        text += item;
    }
    return text;
}

std::string format(const char* pattern, auto... values)
{
    char line[160];
    std::snprintf(line, sizeof line, pattern, values...);
    return line;
}

}  // namespace

EmulatedBus::EmulatedBus(BusConfig config, LogSink log)
    : m_config(std::move(config)),
      m_log(std::move(log)),
      m_controller(m_config.model.value_or(device::Model::K410)),
      m_edid(makeEdid(m_config.model ? "ZEPTA " + std::string(device::modelName(*m_config.model)) : "LVX monitor",
                      static_cast<uint32_t>(1000 + m_config.number)))
{
    m_controller.state().gpiBits = m_config.gpiBits;
}

void EmulatedBus::log(const std::string& line) const
{
    if (m_log)
        m_log("i2c-" + std::to_string(m_config.number) + " " + line);
}

bool EmulatedBus::write(uint8_t address, std::span<const uint8_t> bytes, Clock::time_point now)
{
    if (address == kEdidAddress) {
        log("write 0x50: " + hexBytes(bytes));
        if (!bytes.empty())
            m_edidOffset = bytes[0] % m_edid.size();
        return true;
    }
    if (address != kDdcAddress || m_config.ddcNak) {
        log(format("write 0x%02X: NAK", address));
        return false;
    }
    log("write 0x37: " + hexBytes(bytes));
    // Every new message replaces the answer to the one before.
    m_reply.clear();
    if (const auto get = parseGetRequest(bytes)) {
        const VcpReading answer = reading(get->code);
        m_reply = getReply(answer);
        if (m_config.badChecksumCode == get->code)
            m_reply.back() ^= 0xFF;
        m_replyReady = now + std::chrono::milliseconds(m_config.replyDelayMs);
        if (answer.result == kVcpSupported)
            log(format("get 0x%02X: current 0x%04X maximum 0x%04X", get->code, answer.current, answer.maximum));
        else
            log(format("get 0x%02X: unsupported", get->code));
    } else if (const auto set = parseSetRequest(bytes)) {
        applySet(*set);
    } else if (bytes.size() > 1) {
        log("ignored: not a Get or Set this monitor takes");
    }
    return true;
}

bool EmulatedBus::read(uint8_t address, std::span<uint8_t> out, Clock::time_point now)
{
    if (address == kEdidAddress) {
        for (uint8_t& b : out) {
            b = m_edid[m_edidOffset];
            m_edidOffset = (m_edidOffset + 1) % m_edid.size();
        }
        log(format("read 0x50: %zu bytes of EDID", out.size()));
        return true;
    }
    if (address != kDdcAddress || m_config.ddcNak) {
        log(format("read 0x%02X: NAK", address));
        return false;
    }
    const std::vector<uint8_t> message = !m_reply.empty() && now >= m_replyReady ? m_reply : nullMessage();
    std::fill(out.begin(), out.end(), uint8_t{0});
    std::copy_n(message.begin(), std::min(message.size(), out.size()), out.begin());
    log("read 0x37: " + hexBytes(out));
    return true;
}

VcpReading EmulatedBus::reading(uint8_t code) const
{
    VcpReading answer;
    answer.code = code;
    answer.type = isMomentary(code) ? kTypeMomentary : kTypeSetParameter;
    if (m_config.unsupported.contains(code)) {
        answer.result = kVcpUnsupported;
        return answer;
    }
    if (const auto own = m_config.codes.find(code); own != m_config.codes.end()) {
        answer.current = own->second.current;
        answer.maximum = own->second.maximum;
        answer.type = own->second.momentary ? kTypeMomentary : kTypeSetParameter;
        return answer;
    }
    uint32_t current = 0;
    uint32_t maximum = 0;
    if (!m_config.model || !m_controller.readVcp(code, current, maximum)) {
        answer.result = kVcpUnsupported;
        return answer;
    }
    answer.current = static_cast<uint16_t>(current);
    answer.maximum = static_cast<uint16_t>(maximum);
    return answer;
}

void EmulatedBus::applySet(const SetRequest& set)
{
    const char* outcome = "refused";
    if (m_config.unsupported.contains(set.code)) {
        outcome = "unsupported";
    } else if (auto own = m_config.codes.find(set.code); own != m_config.codes.end()) {
        own->second.current = set.value;
        outcome = "applied";
    } else if (m_config.model && m_controller.writeVcp(set.code, set.value)) {
        outcome = "applied";
    }
    log(format("set 0x%02X 0x%04X: %s", set.code, set.value, outcome));
}

std::string EmulatedBus::stateLine() const
{
    std::string line = "bus=" + std::to_string(m_config.number) + " " + device::stateWords(m_controller.state());
    for (const auto& [code, own] : m_config.codes)
        line += format(" 0x%02X=%u", code, own.current);
    return line;
}

bool EmulatedBus::restoreState(std::string_view line)
{
    size_t at = 0;
    while (at < line.size()) {
        const size_t end = std::min(line.find(' ', at), line.size());
        const std::string_view word = line.substr(at, end - at);
        at = end + 1;
        const size_t equals = word.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = word.substr(0, equals);
        const std::string_view text = word.substr(equals + 1);
        if (key.starts_with("0x")) {
            uint32_t code = 0;
            uint32_t value = 0;
            std::from_chars(key.data() + 2, key.data() + key.size(), code, 16);
            if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc{})
                return false;
            if (auto own = m_config.codes.find(static_cast<uint8_t>(code)); own != m_config.codes.end())
                own->second.current = static_cast<uint16_t>(value);
        } else if (device::applyStateWord(m_controller.state(), key, text) == device::StateWord::BadValue) {
            return false;
        }
    }
    return true;
}

}  // namespace lumivex::emulator
