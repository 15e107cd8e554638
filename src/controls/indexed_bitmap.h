#pragma once
// CCeXDib: the 8-bit palette image that the shaded buttons generate and draw.

#include <QColor>
#include <QImage>

class QPainter;

namespace lumivex {

class CCeXDib {
public:
    CCeXDib() = default;
    virtual ~CCeXDib() = default;
    CCeXDib(const CCeXDib&) = default;
    CCeXDib& operator=(const CCeXDib&) = default;

    // A blank image with a palette of 2, 16 or 256 black entries for 1, 4 or
    // 8 bits per pixel; any other depth, or an empty size, makes no image.
    bool Create(int width, int height, int bitsPerPixel);

    // Moves every palette entry p percent of the way toward colour:
    // (p × colour + (100 − p) × channel) / 100 per channel.
    void BlendPalette(const QColor& colour, int percent);

    // Takes size, palette and pixels from another image.
    void Copy(const CCeXDib& other) { *this = other; }

    // Draws the image at its own size with its top-left corner at (x, y).
    void Draw(QPainter& painter, int x, int y) const;

    bool isNull() const { return m_image.isNull(); }
    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    int bitsPerPixel() const { return m_bits; }
    int paletteSize() const { return m_image.colorCount(); }

    QColor paletteColour(int index) const;
    void setPaletteColour(int index, const QColor& colour);

    // Rows are counted from the top.
    int pixelIndex(int x, int y) const;
    void setPixelIndex(int x, int y, int index);

    const QImage& image() const { return m_image; }

private:
    QImage m_image;
    int m_bits = 0;
};

}  // namespace lumivex
