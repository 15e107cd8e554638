#include "controls/indexed_bitmap.h"

#include <QPainter>

#include <algorithm>

namespace lumivex {

bool CCeXDib::Create(int width, int height, int bitsPerPixel)
{
    m_image = QImage();
    m_bits = 0;
    if (width <= 0 || height <= 0)
        return false;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8)
        return false;
    m_image = QImage(width, height, QImage::Format_Indexed8);
    if (m_image.isNull())
        return false;
    m_image.setColorCount(1 << bitsPerPixel);
    for (int i = 0; i < m_image.colorCount(); ++i)
        m_image.setColor(i, qRgb(0, 0, 0));
    m_image.fill(0);
    m_bits = bitsPerPixel;
    return true;
}

void CCeXDib::BlendPalette(const QColor& colour, int percent)
{
    const int p = std::clamp(percent, 0, 100);
    auto blend = [p](int target, int channel) { return (p * target + (100 - p) * channel) / 100; };
    for (int i = 0; i < m_image.colorCount(); ++i) {
        const QRgb entry = m_image.color(i);
        m_image.setColor(i, qRgb(blend(colour.red(), qRed(entry)), blend(colour.green(), qGreen(entry)),
                                 blend(colour.blue(), qBlue(entry))));
    }
}

void CCeXDib::Draw(QPainter& painter, int x, int y) const
{
    if (!m_image.isNull())
        painter.drawImage(x, y, m_image);
}

QColor CCeXDib::paletteColour(int index) const
{
    if (index < 0 || index >= m_image.colorCount())
        return {};
    return QColor::fromRgb(m_image.color(index));
}

void CCeXDib::setPaletteColour(int index, const QColor& colour)
{
    if (index >= 0 && index < m_image.colorCount())
        m_image.setColor(index, colour.rgb());
}

int CCeXDib::pixelIndex(int x, int y) const
{
    if (!m_image.valid(x, y))
        return -1;
    return m_image.constScanLine(y)[x];
}

void CCeXDib::setPixelIndex(int x, int y, int index)
{
    if (m_image.valid(x, y))
        m_image.scanLine(y)[x] = static_cast<uchar>(index & 0xFF);
}

}  // namespace lumivex
