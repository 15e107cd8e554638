#include "controls/image_layout.h"

#include <algorithm>

namespace lumivex {

namespace {

QSize fitted(QSize image, const QRect& client, QPoint margins)
{
    const QSize room(std::max(1, client.width() - 2 * margins.x()), std::max(1, client.height() - 2 * margins.y()));
    if (image.width() <= room.width() && image.height() <= room.height())
        return image;
    return image.scaled(room, Qt::KeepAspectRatio);
}

int centred(int start, int length, int size)
{
    return start + (length - size) / 2;
}

}  // namespace

ImagePlacement placeImage(const QRect& client, QSize imageSize, ImageAlign align, bool hasCaption, QPoint margins)
{
    const QSize size = fitted(imageSize, client, margins);
    ImagePlacement placement{QRect(QPoint(), size), client};
    const int middleY = centred(client.top(), client.height(), size.height());
    const int middleX = centred(client.left(), client.width(), size.width());
    switch (align) {
    case ImageAlign::Left:
        placement.image.moveTo(hasCaption ? client.left() + margins.x() : middleX, middleY);
        placement.caption.setLeft(placement.image.right() + 1);
        break;
    case ImageAlign::Above:
        placement.image.moveTo(middleX, hasCaption ? client.top() + margins.y() : middleY);
        placement.caption.setTop(placement.image.bottom() + 1);
        break;
    case ImageAlign::Right:
        placement.image.moveTo(client.right() + 1 - margins.x() - size.width(), middleY);
        placement.caption.setRight(placement.image.left() - 1);
        break;
    }
    return placement;
}

}  // namespace lumivex
