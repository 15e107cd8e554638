#pragma once
// The values a set takes, read without the device: the same words and
// refusals from lumivex-ctl, over the bus and from the MQTT bridge. Each
// reader throws a usage failure whose line says what the setting takes.

#include "control/settings.h"

#include <QString>
#include <QStringList>

#include <cstdint>

namespace lumivex::control {

// The setting names Set takes, as they also name the status keys.
const QStringList& settingNames();

// The index of a word of names (any case); else "set WHAT takes a|b, not 'x'".
int pickSetName(const char* what, const QStringList& names, const QString& value);

// "0101" (GPO-4 first) or "N=on|off" with N 1..4.
GpoChange parseGpoValue(const QString& value);

// A resolution label, a label without its "@60Hz", or an index of the list.
int32_t parseResolutionValue(const QString& value);

// A layout label of the model, or its index; none while no model is known.
int32_t parseLayoutValue(const QString& value, int32_t model);

// "off", or "on" with --h/--v percentages or --bezel/--viewable sizes.
struct MaskSetting {
    Mask mask = Mask::Off;
    MaskRequest request;
};
MaskSetting parseMaskValue(const QString& value);

}  // namespace lumivex::control
