#pragma once
// Colour arithmetic shared by the painted controls.

#include <QColor>
#include <QtGlobal>

namespace lumivex {

// Each channel × f rounded to the nearest integer; f is limited to 0..1.
QColor darken(const QColor& colour, double factor);

// Each channel × f truncated and capped at 255; f is at least 1.
QColor lighten(const QColor& colour, double factor);

// A colour written as 0x00BBGGRR, the device-independent form the pages use
// for their hot text colour and the sheet for its tab colour.
QColor colourFromColorRef(quint32 colorRef);

// from + (to − from) × step / steps per channel, with integer division.
QColor interpolate(const QColor& from, const QColor& to, int step, int steps);

}  // namespace lumivex
