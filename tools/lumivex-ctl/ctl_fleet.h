#pragma once
// A request run on every link it names, each link on its own thread, and
// what they leave printed in the order the links were given.

#include "control/outcome.h"
#include "link/service/service_directory.h"
#include "lumivex-ctl/ctl_verbs.h"

#include <cstdio>

namespace lumivex::ctl {

class ServiceAccess;

// What one link's run came to.
struct LinkResult {
    std::optional<LinkTarget> target;
    LinkOutput output;
    control::ExitCode code = control::kExitOk;
    QString failure;    // its one error line, when it failed
    // The controller lumivexd holds on this link, when the run goes through it.
    std::optional<service_link::HeldController> held;
};

// Runs the request's verb: once when it needs no link, else on each link
// at once. DDC/CI links take turns, as they share one library. With
// services, a link lumivexd holds goes through it (unless --direct), and a
// link --direct cannot open because lumivexd holds it says so.
std::vector<LinkResult> runOnLinks(const Request& request, ServiceAccess* services = nullptr);

// Prints the results: text lines prefixed by the link (or the controller's
// name, for -c and --all) when there are several, --json as JSON Lines (one object a link, in the order given,
// each with "link" and "exit", and "error" when it failed); errors on err.
// Returns the exit status: the highest of the links' codes.
control::ExitCode report(const Request& request, const std::vector<LinkResult>& results, std::FILE* out, std::FILE* err);

}  // namespace lumivex::ctl
