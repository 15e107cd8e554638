#include "controls/sheet_tab_widget.h"

#include "controls/colour_math.h"
#include "controls/gradient_tab_bar.h"

#include <QPainter>

namespace lumivex {

SheetTabWidget::SheetTabWidget(QWidget* parent)
    : QTabWidget(parent)
    , m_tabRow(new CEnTabCtrl)
{
    setTabBar(m_tabRow);
    m_tabRow->setTabColour(colourFromColorRef(kTabColour));
    m_tabRow->setPaintMode(kPaintMode);
    m_tabRow->setLookFlags(kLookFlags);
}

void SheetTabWidget::paintEvent(QPaintEvent* event)
{
    if (!m_tabRow->paintsItself()) {
        QTabWidget::paintEvent(event);
        return;
    }
    // The body starts 2 pixels above the page area, under the tabs' feet.
    QRect body = rect();
    body.setTop(m_tabRow->geometry().bottom() + 1 - 2);
    QPainter painter(this);
    m_tabRow->PaintBodyFrame(painter, body);
}

}  // namespace lumivex
