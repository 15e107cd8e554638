#include "pages/page_background.h"

#include "res/artwork.h"

#include <QImage>
#include <QPainter>
#include <QPixmapCache>

#include <future>
#include <map>

namespace lumivex {

namespace {

// Decodes started by preload(), by bitmap id; only the user-interface
// thread touches the map.
std::map<int, std::future<QImage>>& pendingDecodes()
{
    static std::map<int, std::future<QImage>> decodes;
    return decodes;
}

QString cacheKey(int bitmapId)
{
    return QStringLiteral("lumivex-page-bitmap-%1").arg(bitmapId);
}

// The decoded bitmap, shared by every page; a null pixmap when it cannot
// be loaded.
QPixmap sharedBitmap(int bitmapId)
{
    QPixmap bitmap;
    if (QPixmapCache::find(cacheKey(bitmapId), &bitmap))
        return bitmap;
    auto& pending = pendingDecodes();
    if (const auto it = pending.find(bitmapId); it != pending.end()) {
        bitmap = QPixmap::fromImage(it->second.get());
        pending.erase(it);
    } else {
        bitmap = QPixmap::fromImage(QImage(bitmapPath(bitmapId)));
    }
    if (!bitmap.isNull())
        QPixmapCache::insert(cacheKey(bitmapId), bitmap);
    return bitmap;
}

}  // namespace

void PageBackground::preload(int bitmapId)
{
    QPixmap decoded;
    if (QPixmapCache::find(cacheKey(bitmapId), &decoded))
        return;
    auto& pending = pendingDecodes();
    if (pending.count(bitmapId) == 0)
        pending.emplace(bitmapId, std::async(std::launch::async, [bitmapId] { return QImage(bitmapPath(bitmapId)); }));
}

bool PageBackground::load(int bitmapId)
{
    m_bitmap = QPixmap();
    m_size = QSize();
    // A true-colour bitmap needs no palette of its own on this system.
    QPixmap bitmap = sharedBitmap(bitmapId);
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
