#include "panel/reply_wait_setting.h"

#include "platform/ini_profile.h"

#include <cstdlib>

namespace lumivex {

ChosenReplyWait configuredReplyWait(const IniProfile& profile)
{
    const char* environment = std::getenv(kReplyWaitVariable);
    return chooseReplyWait(environment ? environment : "", profile.readString(kReplyWaitSection, kReplyWaitKey));
}

}  // namespace lumivex
