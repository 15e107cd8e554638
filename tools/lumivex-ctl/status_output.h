#pragma once
// status's output: a snapshot as aligned lines, or as one JSON object.

#include "control/snapshot.h"

#include <QJsonObject>
#include <QString>

namespace lumivex::ctl {

QString statusText(const control::Snapshot& snapshot);
QJsonObject statusJson(const control::Snapshot& snapshot, const QString& linkName);

}  // namespace lumivex::ctl
