#include "controls/painted_tab_bar.h"

#include <QPainter>

namespace lumivex {

namespace {

// Room above and below a tab's rectangle for the selected tab to grow into.
constexpr int kRoomAbove = 2;
constexpr int kRoomBelow = 1;
// Label box: 3 pixels in and 20 high.
constexpr int kMinimumTabHeight = 3 + 20 + 4;

}  // namespace

CBaseTabCtrl::CBaseTabCtrl(QWidget* parent)
    : QTabBar(parent)
{
}

void CBaseTabCtrl::changed()
{
    ++m_generation;
    update();
}

void CBaseTabCtrl::setTabColour(const QColor& colour)
{
    m_tabColour = colour;
    changed();
}

void CBaseTabCtrl::setPaintMode(int mode)
{
    m_paintMode = mode;
    changed();
}

void CBaseTabCtrl::setDisplayDepth(int bitsPerPixel)
{
    m_displayDepth = bitsPerPixel;
    changed();
}

int CBaseTabCtrl::displayDepth() const
{
    return m_displayDepth > 0 ? m_displayDepth : depth();
}

TabItemRecord CBaseTabCtrl::itemRecord(int index) const
{
    const QRect base = tabRect(index).adjusted(0, kRoomAbove, 0, -kRoomBelow);
    const bool selected = index == currentIndex();
    return TabItemRecord{index, selected, selected ? base.adjusted(0, -2, 0, 2) : base.adjusted(0, 0, 0, -2)};
}

void CBaseTabCtrl::PaintTab(QPainter&, const TabItemRecord&) {}

void CBaseTabCtrl::PaintBodyFrame(QPainter&, const QRect&) {}

void CBaseTabCtrl::PaintTabEdges(QPainter&, const TabItemRecord&) {}

QColor CBaseTabCtrl::TabFillColour(bool) const
{
    return palette().color(QPalette::Button);
}

QColor CBaseTabCtrl::TabLabelColour(bool) const
{
    return palette().color(QPalette::WindowText);
}

QSize CBaseTabCtrl::tabSizeHint(int index) const
{
    // The room is kept in every paint mode, so a change of mode needs no new
    // layout of the row.
    QSize size = QTabBar::tabSizeHint(index);
    size.setHeight(std::max(size.height() + kRoomAbove + kRoomBelow, kMinimumTabHeight));
    return size;
}

CBaseTabCtrl::PaintKey CBaseTabCtrl::currentKey() const
{
    PaintKey key{size(), devicePixelRatioF(), currentIndex(), {}, {}, font(), palette().cacheKey(), m_generation};
    for (int i = 0; i < count(); ++i) {
        key.labels.push_back(tabText(i));
        key.icons.push_back(tabIcon(i).cacheKey());
    }
    return key;
}

void CBaseTabCtrl::paintEvent(QPaintEvent* event)
{
    if (!paintsItself()) {
        QTabBar::paintEvent(event);
        return;
    }
    const QImage& image = m_cache.image(currentKey(), [this] { return render(); });
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

QImage CBaseTabCtrl::render()
{
    // The row neither erases nor paints what lies beside its tabs.
    QImage image = blankImageFor(*this);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setFont(font());
    const int selected = currentIndex();
    for (int i = count() - 1; i >= 0; --i) {
        if (i == selected)
            continue;
        const TabItemRecord item = itemRecord(i);
        PaintTab(painter, item);
        PaintTabEdges(painter, item);
    }
    // The selected tab last, over its neighbours.
    if (selected >= 0) {
        const TabItemRecord item = itemRecord(selected);
        PaintTab(painter, item);
        PaintTabEdges(painter, item);
    }
    return image;
}

}  // namespace lumivex
