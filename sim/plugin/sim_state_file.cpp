#include "sim/plugin/sim_state_file.h"

#include "sim/device/device_state_text.h"
#include "platform/file_replace.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lumivex::sim {

namespace {

constexpr std::string_view kMonitorWord = "monitor=";

// Applies one line to states; empty, or what is wrong with it.
std::string applyLine(std::string_view line, std::vector<device::DeviceState>& states)
{
    if (!line.starts_with(kMonitorWord))
        return "a line that does not start with monitor=";
    const size_t space = std::min(line.find(' '), line.size());
    const std::string_view number = line.substr(kMonitorWord.size(), space - kMonitorWord.size());
    size_t index = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), index);
    if (error != std::errc{} || end != number.data() + number.size() || number.empty())
        return "monitor '" + std::string(number) + "' is not a number";
    device::DeviceState state = index < states.size() ? states[index] : device::DeviceState{};
    for (size_t at = space + 1; at < line.size();) {
        const size_t stop = std::min(line.find(' ', at), line.size());
        const std::string_view word = line.substr(at, stop - at);
        at = stop + 1;
        if (word.empty())
            continue;
        const size_t equals = word.find('=');
        const auto taken = equals == std::string_view::npos
                               ? device::StateWord::UnknownName
                               : device::applyStateWord(state, word.substr(0, equals), word.substr(equals + 1));
        if (taken != device::StateWord::Taken) {
            // Appended in order: GCC 12 takes a literal put before a
            // temporary string for an overlapping copy (-Wrestrict).
            std::string problem(1, '\'');
            problem.append(word).append("' is not a setting of monitor ").append(std::to_string(index));
            return problem;
        }
    }
    if (index < states.size())
        states[index] = state;
    return {};
}

}  // namespace

std::string loadSimState(const std::string& path, std::vector<device::DeviceModel>& monitors)
{
    std::error_code ec;
    const std::filesystem::file_type type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::not_found)
        return {};
    if (ec)
        return ec.message();
    if (type != std::filesystem::file_type::regular)
        return "not a regular file";
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return "cannot be opened";
    std::stringstream text;
    text << file.rdbuf();
    if (file.bad())
        return "cannot be read";
    std::vector<device::DeviceState> states;
    for (const device::DeviceModel& monitor : monitors)
        states.push_back(monitor.state());
    std::string line;
    for (int number = 1; std::getline(text, line); ++number) {
        if (line.empty())
            continue;
        if (std::string problem = applyLine(line, states); !problem.empty())
            return "line " + std::to_string(number) + ": " + problem;
    }
    for (size_t i = 0; i < monitors.size(); ++i)
        monitors[i].state() = states[i];
    return {};
}

std::string saveSimState(const std::string& path, const std::vector<device::DeviceModel>& monitors)
{
    std::string text;
    for (size_t i = 0; i < monitors.size(); ++i)
        text += std::string(kMonitorWord) + std::to_string(i) + " " + device::stateWords(monitors[i].state()) + "\n";
    return replaceFileText(path, text);
}

}  // namespace lumivex::sim
