#include "link/reply_wait.h"

#include <charconv>
#include <utility>

namespace lumivex {

ReplyWaitValue parseReplyWaitMs(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    const std::string range = "a whole number of milliseconds from " + std::to_string(kMinReplyWaitMs) +
                              " to " + std::to_string(kMaxReplyWaitMs);
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error == std::errc::invalid_argument || end != text.data() + text.size()) {
        // Appended in order: GCC 12 takes a literal put before a temporary
        // string for an overlapping copy (-Wrestrict).
        std::string problem(1, '\'');
        problem.append(text).append("' is not ").append(range);
        return {std::nullopt, std::move(problem)};
    }
    if (error == std::errc::result_out_of_range || value < kMinReplyWaitMs || value > kMaxReplyWaitMs)
        return {std::nullopt, std::string(text) + " is out of range: give " + range};
    return {std::chrono::milliseconds(value), {}};
}

}  // namespace lumivex
