#include "pages/dialog_units.h"

#include <QFontMetrics>

namespace lumivex {

DialogUnits DialogUnits::fromFont(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int alphabetWidth =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits units;
    // Average over the 52 letters, rounded.
    units.baseX = qMax(1, (alphabetWidth / 26 + 1) / 2);
    units.baseY = qMax(1, metrics.height());
    return units;
}

QRect DialogUnits::toPixels(const QRect& du) const
{
    // Convert both corners, so neighbouring controls keep touching.
    const int left = x(du.x());
    const int top = y(du.y());
    return QRect(left, top, x(du.x() + du.width()) - left, y(du.y() + du.height()) - top);
}

QFont dialogFont(const QString& family, int pointSize)
{
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize > 0 ? pointSize : 8);
    return font;
}

}  // namespace lumivex
