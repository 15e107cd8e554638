#include "parent_capture.h"

#include <QPainter>
#include <QWidget>

namespace lumivex {

QImage captureParentBackground(const QWidget& widget)
{
    const qreal ratio = widget.devicePixelRatioF();
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.setDevicePixelRatio(ratio);
    image.fill(widget.palette().color(QPalette::Window));
    if (QWidget* parent = widget.parentWidget()) {
        const QRect under = widget.geometry();
        parent->render(&image, QPoint(), QRegion(under), QWidget::DrawWindowBackground);
    }
    return image;
}

}  // namespace lumivex
