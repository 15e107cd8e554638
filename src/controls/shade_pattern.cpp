#include "controls/shade_pattern.h"

#include <algorithm>
#include <memory>
#include <random>

namespace lumivex {

namespace {
// The noise value whose term is 0.
constexpr int kNoNoise = 8 * 2047;
}  // namespace

NoiseSource defaultNoiseSource()
{
    auto engine = std::make_shared<std::minstd_rand>(1u);
    return [engine] { return static_cast<int>((*engine)() & 0x7FFF); };
}

void fillShadePalette(CCeXDib& image, const ShadeColours& colours)
{
    auto mix = [](const QColor& a, const QColor& b, int weightB) {
        auto channel = [weightB](int x, int y) { return ((128 - weightB) * x + weightB * y) / 128; };
        return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()));
    };
    for (int i = 0; i <= 128; ++i)
        image.setPaletteColour(i, mix(colours.shadow, colours.face, i));
    // Index 128 is set twice; the second, a step toward the highlight, stays.
    for (int k = 1; k <= 128; ++k)
        image.setPaletteColour(127 + k, mix(colours.face, colours.highlight, k));
}

quint8 shadePixel(int x, int r, int w, int h, int noiseValue)
{
    const int rowTerm = 255 * r / h - 127;
    const int columnTerm = 255 * (w - x) / w - 127;
    const int a = rowTerm * rowTerm * rowTerm / 16384;
    const int b = columnTerm * columnTerm * columnTerm / 16384;
    const int s = (a + b) * 120 / 128;
    const int noise = noiseValue / 2047 - 8;
    return static_cast<quint8>(std::clamp(s + 128, 8, 247) + noise);
}

bool buildShadeType6(CCeXDib& image, int w, int h, const ShadeColours& colours, const NoiseSource& noise)
{
    if (!image.Create(w, h, 8))
        return false;
    fillShadePalette(image, colours);
    for (int r = 0; r < h; ++r) {
        const int y = h - 1 - r;
        for (int x = 0; x < w; ++x)
            image.setPixelIndex(x, y, shadePixel(x, r, w, h, noise ? noise() : kNoNoise));
    }
    return true;
}

}  // namespace lumivex
