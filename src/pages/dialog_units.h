#pragma once
// Dialog units to pixels: a horizontal unit is a quarter of the dialog
// font's average character width, a vertical unit an eighth of its height,
// so the pages scale with the font and the screen's resolution.

#include <QFont>
#include <QRect>

namespace lumivex {

struct DialogUnits {
    int baseX = 4;  // average character width in pixels
    int baseY = 8;  // character height in pixels

    static DialogUnits fromFont(const QFont& font);

    int x(int du) const { return du * baseX / 4; }
    int y(int du) const { return du * baseY / 8; }
    QRect toPixels(const QRect& du) const;
    QSize toPixels(const QSize& du) const { return {x(du.width()), y(du.height())}; }
};

// The dialog font on this system: the named family where installed, else
// the desktop's sans-serif face, at the template's point size.
QFont dialogFont(const QString& family, int pointSize);

}  // namespace lumivex
