#include "res/artwork.h"

namespace lumivex {

QString iconPath(int iconId)
{
    return QStringLiteral(":/icons/icon_%1.png").arg(iconId);
}

QString bitmapPath(int bitmapId)
{
    return QStringLiteral(":/bitmaps/bitmap_%1.png").arg(bitmapId);
}

QString cursorPath(int cursorId)
{
    return QStringLiteral(":/cursors/cursor_%1.png").arg(cursorId);
}

}  // namespace lumivex
