#include "controls/parent_capture.h"

#include "controls/paint_cache.h"

#include <QWidget>

#include <vector>

namespace lumivex {

QImage captureParentBackground(const QWidget& widget)
{
    QImage image = blankImageFor(widget);
    if (image.isNull())
        return image;
    image.fill(widget.palette().color(QPalette::Window));

    std::vector<QWidget*> ancestors;  // the parent first, the window last
    for (QWidget* w = widget.parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget())
        ancestors.push_back(w);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
        QWidget* ancestor = *it;
        const QRect under(widget.mapTo(ancestor, QPoint(0, 0)), widget.size());
        // Only the window and ancestors that fill themselves cover what is
        // below; the others add just their own drawing.
        const bool fills = ancestor->isWindow() || ancestor->autoFillBackground();
        ancestor->render(&image, QPoint(), QRegion(under),
                         fills ? QWidget::DrawWindowBackground : QWidget::RenderFlags());
    }
    return image;
}

}  // namespace lumivex
