#pragma once
// A snapshot as the JSON object status reports: lumivex-ctl prints it, the
// service hands out its values and keeps it as the controller's last state.

#include "control/snapshot.h"

#include <QJsonObject>
#include <QString>

namespace lumivex::control {

// "link" names the link; a value the link cannot know is null.
QJsonObject statusJson(const Snapshot& snapshot, const QString& linkName);

}  // namespace lumivex::control
