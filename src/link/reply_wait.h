#pragma once
// How long a serial read-back waits for the controller's reply. The wait
// ends as soon as the reply is whole, so a long one costs nothing while
// the controller answers; slow adapters and network serial servers need
// more than the default.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace lumivex {

inline constexpr std::chrono::milliseconds kDefaultReplyWait{100};
// A serial device server adds the network's round trip and its own
// buffering; the wait still ends as soon as the reply is whole.
inline constexpr std::chrono::milliseconds kDefaultNetworkReplyWait{500};
inline constexpr int kMinReplyWaitMs = 1;
inline constexpr int kMaxReplyWaitMs = 60000;

struct ReplyWaitValue {
    std::optional<std::chrono::milliseconds> wait;  // empty when refused
    std::string problem;                            // why, when refused
};

// A whole number of milliseconds, kMinReplyWaitMs..kMaxReplyWaitMs, blanks
// around it allowed; anything else is refused with the reason.
ReplyWaitValue parseReplyWaitMs(std::string_view text);

}  // namespace lumivex
