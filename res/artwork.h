#pragma once
// Paths of the compiled-in artwork, by resource id.

#include <QString>

namespace lumivex {

QString iconPath(int iconId);      // ":/icons/icon_<id>.png"
QString bitmapPath(int bitmapId);  // ":/bitmaps/bitmap_<id>.png"
QString cursorPath(int cursorId);  // ":/cursors/cursor_<id>.png"

}  // namespace lumivex
