#pragma once
// How long a serial read-back waits for the controller's reply. The wait
// ends as soon as the reply is whole, so a long one costs nothing while
// the controller answers; slow adapters and network serial servers need
// more than the default.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Where the wait can be set, strongest first: the environment, then
// ZEPTA.ini. An empty text sets nothing.
inline constexpr const char* kReplyWaitVariable = "ZEPTA_REPLY_WAIT_MS";
inline constexpr const char* kReplyWaitSection = "Link";
inline constexpr const char* kReplyWaitKey = "Reply Wait ms";

struct ChosenReplyWait {
    // Empty when nothing usable was set: the link's own default holds.
    std::optional<std::chrono::milliseconds> wait;
    std::vector<std::string> problems;  // one line per refused setting
};

// The first setting given and taken; a refused one is reported and passed
// over, so a mistake never leaves a wait nobody chose.
ChosenReplyWait chooseReplyWait(std::string_view environment, std::string_view iniValue);

}  // namespace lumivex
