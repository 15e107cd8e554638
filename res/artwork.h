#pragma once
// Paths of the compiled-in artwork, and cursor hot spots, by resource id.

#include <QPoint>
#include <QString>

namespace lumivex {

QString iconPath(int iconId);        // ":/icons/icon_<id>.png"
QString bitmapPath(int bitmapId);    // ":/bitmaps/bitmap_<id>.png"
QString cursorPath(int cursorId);    // ":/cursors/cursor_<id>.png"
QPoint cursorHotSpot(int cursorId);  // the pixel that does the clicking

}  // namespace lumivex
