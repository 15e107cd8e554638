#pragma once
// Set over the bus: a setting and its value as lumivex-ctl set takes them
// ("mask" also takes its options in the value: "on --h 2.5 --v 3"), run by
// the control library and read back like it.

#include "control/session.h"
#include "control/set_values.h"

#include <QString>

namespace lumivex::service {

// Sends the setting; when verify, reads it back and fails with
// kExitNotVerified naming what did not take. Usage failures for a setting
// or value it does not take.
void setSetting(control::Session& session, const QString& setting, const QString& value, bool verify);

}  // namespace lumivex::service
