#include "control/apply.h"

#include "control/outcome.h"
#include "control/session.h"

namespace lumivex::control {

Plan carryOut(Session& session, const SetupFile& setup)
{
    const Snapshot before = session.snapshot();
    const Plan p = plan(setup, before, session.link().isDdc());
    if (p.refusal)
        fail(kExitUsage, *p.refusal);
    for (const Step& step : p.steps) {
        if (step.command)
            session.send(*step.command);
        else
            session.saveSizes(*p.sizes);
    }
    return p;
}

ApplyResult checkApplied(Session& session, const Plan& p)
{
    ApplyResult result;
    if (p.changes())
        result.missed = verify(p.wanted, session.snapshot());
    result.rotationUnread = p.wanted.rotation && session.link().isDdc();
    result.outcome = !result.missed.empty() ? ApplyOutcome::NotVerified
                   : p.changes()            ? ApplyOutcome::AppliedAndVerified
                                            : ApplyOutcome::Unchanged;
    return result;
}

}  // namespace lumivex::control
