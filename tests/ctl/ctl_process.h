#pragma once
// lumivex-ctl run as a process, as a script or timer runs it.

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace lumivex::testing {

struct CtlRun {
    int exitCode = -1;  // -1: did not end by itself
    std::string out;
    std::string err;
    std::chrono::milliseconds took{};
};

// bin/lumivex-ctl with the arguments and these variables added to the
// environment (ZEPTA_REPLY_WAIT_MS: kGenerousReplyWait unless given);
// stdout and stderr are kept apart.
// With stdinText, standard input is a pipe that carries it.
CtlRun runCtl(const std::vector<std::string>& args, const std::vector<std::pair<std::string, std::string>>& env = {},
              const std::string* stdinText = nullptr);
// The same, started through a wrapper that runs the program it is given
// last ({"setpriv", "--reuid=65534", ..., "--"}).
CtlRun runCtlThrough(const std::vector<std::string>& wrapper, const std::vector<std::string>& args,
                     const std::vector<std::pair<std::string, std::string>>& env = {});

}  // namespace lumivex::testing
