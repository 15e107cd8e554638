#pragma once
// Where an image button puts its icon or bitmap, and the room it leaves
// for the caption.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace lumivex {

// 0: image left of the caption, 1: above it, 2: right of it.
enum class ImageAlign { Left = 0, Above = 1, Right = 2 };

struct ImagePlacement {
    QRect image;    // where the image goes, before any pressed offset
    QRect caption;  // the space the image leaves for the caption
};

// The image keeps its size unless it does not fit inside the margins, when
// it is scaled down to fit, keeping its proportions.
ImagePlacement placeImage(const QRect& client, QSize imageSize, ImageAlign align, bool hasCaption,
                          QPoint margins);

}  // namespace lumivex
