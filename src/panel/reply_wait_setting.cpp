#include "panel/reply_wait_setting.h"

#include "platform/ini_profile.h"

#include <cstdlib>
#include <utility>

namespace lumivex {

ChosenReplyWait chooseReplyWait(std::string_view environment, std::string_view iniValue)
{
    ChosenReplyWait chosen;
    const std::pair<std::string_view, std::string> sources[] = {
        {environment, kReplyWaitVariable},
        {iniValue, std::string("ZEPTA.ini [") + kReplyWaitSection + "] " + kReplyWaitKey},
    };
    for (const auto& [text, where] : sources) {
        if (text.empty())
            continue;
        const ReplyWaitValue value = parseReplyWaitMs(text);
        if (value.wait) {
            chosen.wait = *value.wait;
            return chosen;
        }
        chosen.problems.push_back(where + ": " + value.problem + "; it is not used");
    }
    return chosen;
}

ChosenReplyWait configuredReplyWait(const IniProfile& profile)
{
    const char* environment = std::getenv(kReplyWaitVariable);
    return chooseReplyWait(environment ? environment : "", profile.readString(kReplyWaitSection, kReplyWaitKey));
}

}  // namespace lumivex
