#pragma once
// A set-up put on a controller: only what differs is sent, then everything
// is read back and checked.

#include "control/setup_file.h"
#include "control/setup_plan.h"

#include <vector>

namespace lumivex::control {

class Session;

enum class ApplyOutcome {
    Unchanged,           // nothing differed, nothing was sent
    AppliedAndVerified,  // sent, and every field read back as wanted
    NotVerified,         // sent, and some field read back otherwise
};

struct ApplyResult {
    ApplyOutcome outcome = ApplyOutcome::Unchanged;
    std::vector<Mismatch> missed;
    bool rotationUnread = false;  // the rotation was sent on a link that cannot read it
};

// Reads the device, plans and sends the steps; the plan is returned. Throws
// a usage failure naming the file's line when the file cannot be applied.
Plan carryOut(Session& session, const SetupFile& setup);
// Reads the device again after carryOut and checks the plan's fields.
ApplyResult checkApplied(Session& session, const Plan& plan);

}  // namespace lumivex::control
