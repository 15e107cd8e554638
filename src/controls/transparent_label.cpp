#include "controls/transparent_label.h"

#include "controls/parent_capture.h"

#include <QPainter>

namespace lumivex {

CTransparentStatic::CTransparentStatic(const QString& text, QWidget* parent)
    : QLabel(text, parent)
{
    setTextColour(m_textColour);
}

void CTransparentStatic::setTextColour(const QColor& colour)
{
    m_textColour = colour;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, colour);
    setPalette(pal);
}

void CTransparentStatic::setBackgroundColour(const QColor& colour)
{
    m_backgroundColour = colour;
    update();
}

void CTransparentStatic::setUseBackgroundColour(bool use)
{
    m_useBackgroundColour = use;
    update();
}

void CTransparentStatic::paintEvent(QPaintEvent* event)
{
    // The copy is taken once; the parent's later changes stay behind it.
    if (m_background.isNull())
        m_background = captureParentBackground(*this);
    {
        QPainter painter(this);
        if (m_useBackgroundColour)
            painter.fillRect(rect(), m_backgroundColour);
        else
            painter.drawImage(0, 0, m_background);
    }
    QLabel::paintEvent(event);
}

}  // namespace lumivex
