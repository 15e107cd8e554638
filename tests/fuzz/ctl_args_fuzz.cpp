// libFuzzer target: lumivex-ctl's command line. The input is the arguments,
// each ended by a NUL byte. Parsing never crashes; it either fails with a
// usage line, or gives a request with a verb, for DDC/CI a monitor counted
// from 0, and a reply wait the link takes. Lists asking for --help or --version are skipped: those
// print and end the program.

#include "lumivex-ctl/ctl_arguments.h"
#include "control/outcome.h"
#include "fuzz_require.h"
#include "link/reply_wait.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace lumivex::ctl;
using namespace lumivex::control;

using lumivex::fuzz::require;

namespace {

constexpr size_t kMaxArguments = 64;

std::vector<std::string> arguments(const uint8_t* data, size_t size)
{
    std::vector<std::string> out{"lumivex-ctl"};
    const char* text = reinterpret_cast<const char*>(data);
    for (size_t start = 0; start < size && out.size() < kMaxArguments;) {
        const size_t length = strnlen(text + start, size - start);
        out.emplace_back(text + start, length);
        start += length + 1;
    }
    return out;
}

bool prints(const std::string& argument)
{
    return argument == "--help" || argument == "--version" || argument == "--man" || argument == "--bash-completion" || argument == "-h"
        || argument == "-V";
}

}  // namespace

// No real ZEPTA.ini is looked for or made: the per-user folder cannot be.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("XDG_CONFIG_HOME", "/dev/null/none", 1);
    setenv("HOME", "/dev/null/none", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> args = arguments(data, size);
    for (const std::string& a : args)
        if (prints(a))
            return -1;  // not added to the corpus
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    try {
        const Request r = parseArguments(int(args.size()), argv.data());
        require(!r.verb.isEmpty(), "a request with no verb");
        for (const LinkTarget& link : r.links) {
            require(link.monitor >= 0, "a monitor counted below 0");
            require(link.ddc || link.monitor == 0, "a monitor on a serial link");
            require(!link.id.isEmpty(), "a link with no id");
        }
        const bool waitInRange = !r.replyWait || (r.replyWait->count() >= lumivex::kMinReplyWaitMs
                                                  && r.replyWait->count() <= lumivex::kMaxReplyWaitMs);
        require(waitInRange, "a reply wait out of range");
    } catch (const Failure& failure) {
        require(failure.code == kExitUsage && !failure.line.isEmpty(), "a refusal that is not a usage line");
    }
    return 0;
}
