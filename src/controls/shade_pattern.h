#pragma once
// The shaded face of the image buttons (shade type 6): a 256-entry palette
// running shadow → face → highlight, and a diagonal light falling from the
// top-right corner with a little noise so the face is not banded.

#include "controls/indexed_bitmap.h"

#include <QColor>

#include <functional>

namespace lumivex {

struct ShadeColours {
    QColor shadow;
    QColor face;
    QColor highlight;
};

// Gives values from 0 to 32767, like the C library's rand().
using NoiseSource = std::function<int()>;

// A fixed-seed generator, so every run shades a button alike.
NoiseSource defaultNoiseSource();

// Index i = 0..128 runs from shadow to face, 127 + k (k = 1..128) from face
// to highlight.
void fillShadePalette(CCeXDib& image, const ShadeColours& colours);

// The palette index of column x (from the left) and row r (from the
// bottom) of a w × h face, for one value of the noise source; stored in a
// byte, so it wraps.
quint8 shadePixel(int x, int r, int w, int h, int noiseValue);

// Makes image a w × h 8-bit shade; one noise value per pixel, rows from the
// bottom up and each row from the left. False when w or h is not positive.
bool buildShadeType6(CCeXDib& image, int w, int h, const ShadeColours& colours, const NoiseSource& noise);

}  // namespace lumivex
