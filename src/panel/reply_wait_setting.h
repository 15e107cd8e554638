#pragma once
// The reply wait the operator chose: ZEPTA_REPLY_WAIT_MS, then the key in
// ZEPTA.ini, read the same way by the panel and lumivex-ctl.

#include "link/reply_wait.h"

namespace lumivex {

class IniProfile;

ChosenReplyWait configuredReplyWait(const IniProfile& profile);

}  // namespace lumivex
