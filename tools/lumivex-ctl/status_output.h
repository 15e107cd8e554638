#pragma once
// status's output: a snapshot as aligned lines, or as one JSON object.

#include "control/snapshot.h"
#include "control/status_json.h"

#include <QJsonObject>
#include <QString>

namespace lumivex::ctl {

QString statusText(const control::Snapshot& snapshot);
// The JSON object lives with the control library, which the service shares.
using control::statusJson;

}  // namespace lumivex::ctl
