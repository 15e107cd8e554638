#include "controls/gradient_tab_bar.h"

#include "controls/colour_math.h"

#include <QPainter>

namespace lumivex {

CEnTabCtrl::CEnTabCtrl(QWidget* parent)
    : CBaseTabCtrl(parent)
{
}

void CEnTabCtrl::setLookFlags(quint32 flags)
{
    m_lookFlags = flags;
    changed();
}

QColor CEnTabCtrl::baseColour(quint32 whenAnyOf) const
{
    if ((m_lookFlags & whenAnyOf) != 0 && tabColour().isValid())
        return tabColour();
    return palette().color(QPalette::Button);
}

QColor CEnTabCtrl::TabFillColour(bool selected) const
{
    const QColor face = palette().color(QPalette::Button);
    const QColor base = baseColour(Colour);
    if (selected)
        return has(Selection) ? lighten(base, 1.4) : face;
    if (has(BackTabs) || !has(Flat))
        return darken(base, 0.9);
    return tabColour().isValid() ? tabColour() : face;
}

QColor CEnTabCtrl::TabLabelColour(bool selected) const
{
    if (selected)
        return palette().color(QPalette::WindowText);
    return darken(baseColour(Colour | Flat), 0.5);
}

QString CEnTabCtrl::tabLabel(int index, int availableWidth) const
{
    const QString text = tabText(index).left(kMaxLabelLength);
    return fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, availableWidth));
}

void CEnTabCtrl::fillTab(QPainter& painter, const QRect& r, bool selected) const
{
    const QColor from = TabFillColour(selected);
    if (!has(Gradient) || displayDepth() < 16) {
        painter.fillRect(r, from);
        return;
    }
    const QColor to = selected ? QColor::fromRgb(kSelectedGradientEnd) : darken(baseColour(Colour), 0.7);
    const int h = r.height();
    for (int i = 0; i < h; i += kBandHeight) {
        const QRect band(r.left(), r.top() + i, r.width(), std::min(kBandHeight, h - i));
        painter.fillRect(band, interpolate(from, to, i, h));
    }
}

void CEnTabCtrl::drawLabel(QPainter& painter, const TabItemRecord& item, QRect r) const
{
    r.setLeft(r.left() + kLabelInset);
    r.setTop(r.top() + kLabelInset + (item.selected ? 1 : 0));
    const QIcon icon = tabIcon(item.index);
    if (!icon.isNull()) {
        icon.paint(&painter, QRect(r.topLeft(), QSize(16, 16)));
        r.setLeft(r.left() + kIconAdvance);
    }
    r.setRight(r.right() - kLabelInset);
    const QRect box(r.left(), r.top(), r.width(), kLabelBoxHeight);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, tabLabel(item.index, box.width()));
}

void CEnTabCtrl::PaintTab(QPainter& painter, const TabItemRecord& item)
{
    const bool selected = item.index == currentIndex();
    const QRect r = item.rect.adjusted(0, 0, 0, selected ? -1 : 2);
    fillTab(painter, r, selected);
    drawLabel(painter, item, r);
}

void CEnTabCtrl::PaintTabEdges(QPainter& painter, const TabItemRecord& item)
{
    const QColor fill = TabFillColour(item.selected);
    const QColor light = lighten(fill, 1.5);
    const QColor dark = darken(fill, 0.75);
    QRect r = item.rect;
    if (item.selected || has(BackTabs)) {
        r.adjust(0, 0, 0, item.selected ? -1 : 1);
        painter.setPen(light);
        painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
        painter.drawLine(r.left(), r.top(), r.right() - 1, r.top());
        painter.setPen(dark);
        painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
        return;
    }
    painter.setPen(dark);
    painter.drawLine(r.left() - 1, r.top(), r.left() - 1, r.bottom());
    painter.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

void CEnTabCtrl::PaintBodyFrame(QPainter& painter, const QRect& body)
{
    // From (left + 5, top) to (right − 4, bottom − 5), right and bottom
    // just outside the frame, filled white inside.
    const QRect frame(QPoint(body.left() + 5, body.top()),
                      QPoint(body.left() + body.width() - 4 - 1, body.top() + body.height() - 5 - 1));
    if (frame.isEmpty())
        return;
    painter.fillRect(frame, Qt::white);
    painter.setPen(QColor::fromRgb(kBodyFrame));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
}

}  // namespace lumivex
