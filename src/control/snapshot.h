#pragma once
// What is read from a controller: both read-backs, the model and the four
// sizes of ZEPTA.ini, and how a read that did not read ends.

#include "control/outcome.h"
#include "control/value_names.h"
#include "link/link_state.h"
#include "panel/display_rules.h"
#include "panel/setting_rules.h"

#include <QString>

#include <optional>

namespace lumivex::control {

class ControllerLink;
class QuietMessages;

// "VCP 0xD6 could not be read (status -3013, DDCRC_REPORTED_UNSUPPORTED)"
QString refusedRead(LinkState& link, const VcpReadFailure& failure);

struct Snapshot {
    int32_t model = -1;  // -1: not asked or not known
    SettingState setting;
    bool rotationKnown = false;  // the serial reply carries it, DDC/CI does not
    std::optional<GpioBits> gpio;
    DisplayState display;  // the read-back plus the sizes of ZEPTA.ini
};

// The exit code of a read-back that did not read.
ExitCode exitCodeFor(ReadBackOutcome outcome);
// Throws unless the read-back read every value it shows: a DDC/CI read the
// library refused (but `unshown`), a serial reply that never came or came
// damaged, or the messages' problem, each with the outcome's exit code.
void requireRead(ReadBackOutcome outcome, ControllerLink& link, QuietMessages& messages, int unshown = -1);

// The model, throwing when it cannot be read.
int32_t readModel(ControllerLink& link, QuietMessages& messages);
// Both read-backs, with the model already read (the sizes are the
// caller's). Throws kExitNoAnswer when either read-back fails.
Snapshot readSnapshot(ControllerLink& link, QuietMessages& messages, int32_t model);

}  // namespace lumivex::control
