#pragma once
// lumivex-ctl's bash completion, written from the verb, option and setting
// tables, so it offers what the command line takes and nothing else.

#include <QString>

namespace lumivex::ctl {

// A script for bash: defines _lumivex_ctl and registers it with
// `complete` for lumivex-ctl.
QString bashCompletion();

}  // namespace lumivex::ctl
