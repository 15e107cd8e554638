#include "page_background.h"

#include "artwork.h"

#include <QPainter>

namespace lumivex {

bool PageBackground::load(int bitmapId)
{
    m_bitmap = QPixmap();
    m_size = QSize();
    // A true-colour bitmap needs no palette of its own on this system.
    QPixmap bitmap(bitmapPath(bitmapId));
    if (bitmap.isNull())
        return false;
    m_bitmap = std::move(bitmap);
    m_size = m_bitmap.deviceIndependentSize().toSize();
    return true;
}

bool PageBackground::tile(QPainter& painter, const QRect& client) const
{
    if (m_bitmap.isNull() || m_size.isEmpty())
        return false;
    painter.save();
    painter.setClipRect(client, Qt::IntersectClip);
    for (int y = 0; y < client.height(); y += m_size.height())
        for (int x = 0; x < client.width(); x += m_size.width())
            painter.drawPixmap(client.left() + x, client.top() + y, m_bitmap);
    painter.restore();
    return true;
}

}  // namespace lumivex
