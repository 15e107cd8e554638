#pragma once
// A page's background: bitmap 215 tiled from the top-left corner in tiles
// of its own size. A page whose bitmap cannot be loaded has none and shows
// the plain dialog background instead.

#include <QPixmap>

class QPainter;
class QRect;

namespace lumivex {

class PageBackground {
public:
    static constexpr int kBitmapId = 215;

    // Starts decoding the bitmap on another thread, so that the first page
    // finds it ready; the pages share what it decodes.
    static void preload(int bitmapId = kBitmapId);

    // Replaces what was loaded; false, and no background, on failure.
    bool load(int bitmapId = kBitmapId);
    bool isLoaded() const { return !m_bitmap.isNull(); }
    int width() const { return m_size.width(); }
    int height() const { return m_size.height(); }

    // Tiles the bitmap over the client rectangle: rows from y = 0, columns
    // from x = 0, each tile the whole bitmap, clipped to the rectangle.
    // false when there is no bitmap, so the caller paints the default.
    bool tile(QPainter& painter, const QRect& client) const;

private:
    QPixmap m_bitmap;
    QSize m_size;
};

}  // namespace lumivex
