#include "controls/colour_math.h"

#include <algorithm>
#include <cmath>

namespace lumivex {

QColor darken(const QColor& colour, double factor)
{
    const double f = std::clamp(factor, 0.0, 1.0);
    auto channel = [f](int value) { return static_cast<int>(std::lround(value * f)); };
    return QColor(channel(colour.red()), channel(colour.green()), channel(colour.blue()));
}

QColor lighten(const QColor& colour, double factor)
{
    const double f = std::max(factor, 1.0);
    auto channel = [f](int value) { return std::min(255, static_cast<int>(value * f)); };
    return QColor(channel(colour.red()), channel(colour.green()), channel(colour.blue()));
}

QColor colourFromColorRef(quint32 colorRef)
{
    return QColor(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF));
}

QColor interpolate(const QColor& from, const QColor& to, int step, int steps)
{
    if (steps <= 0)
        return from;
    auto channel = [step, steps](int a, int b) { return a + (b - a) * step / steps; };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

}  // namespace lumivex
