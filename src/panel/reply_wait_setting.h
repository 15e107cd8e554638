#pragma once
// The reply wait the operator chose: ZEPTA_REPLY_WAIT_MS, then the key in
// ZEPTA.ini, read the same way by the panel and lumivex-ctl.

#include "link/reply_wait.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumivex {

class IniProfile;

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

ChosenReplyWait configuredReplyWait(const IniProfile& profile);

}  // namespace lumivex
