#pragma once
// lumivex-ctl's command line: the options, the verb and its arguments.

#include "lumivex-ctl/ctl_verbs.h"

namespace lumivex::ctl {

// The request argv asks for. Throws Failure: kExitUsage for a mistake,
// kExitOk after printing --help or --version.
Request parseArguments(int argc, char** argv);

}  // namespace lumivex::ctl
