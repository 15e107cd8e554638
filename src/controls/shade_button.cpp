#include "controls/shade_button.h"

#include <QPainter>
#include <QResizeEvent>

namespace lumivex {

CShadeButtonST::CShadeButtonST(QWidget* parent)
    : CShadeButtonST(QString(), parent)
{
}

CShadeButtonST::CShadeButtonST(const QString& text, QWidget* parent)
    : CButtonST(text, parent)
{
}

bool CShadeButtonST::BuildShade(int shadeType)
{
    if (shadeType != kShadeDiagonal)
        return false;
    // Made before the page has placed it: wait for its size.
    if (!testAttribute(Qt::WA_Resized)) {
        m_shadePending = true;
        return true;
    }
    return buildNow();
}

void CShadeButtonST::resizeEvent(QResizeEvent* event)
{
    CButtonST::resizeEvent(event);
    if (m_shadePending) {
        m_shadePending = false;
        buildNow();
    }
}

bool CShadeButtonST::buildNow()
{
    const QPalette& pal = palette();
    const ShadeColours colours{pal.color(QPalette::Dark), pal.color(QPalette::Button), pal.color(QPalette::Light)};
    CCeXDib shade;
    if (!buildShadeType6(shade, width(), height(), colours, m_noise))
        return false;
    m_normalShade = shade;
    m_overShade.Copy(shade);
    m_overShade.BlendPalette(colours.highlight, kOverBlendPercent);
    changed();
    return true;
}

void CShadeButtonST::PaintBackground(QPainter& painter, const QRect& rect)
{
    const bool shifted = isPointerOver() && drawPressed();
    const bool covers = !m_normalShade.isNull() && !shifted && m_normalShade.width() >= rect.width()
        && m_normalShade.height() >= rect.height();
    // Without a shade, where a grown button reaches past it, or along the
    // edge a pressed face moves away from, the plain background shows.
    if (!covers)
        CButtonST::PaintBackground(painter, rect);
    if (m_normalShade.isNull())
        return;
    if (!isPointerOver())
        m_normalShade.Draw(painter, 0, 0);
    else if (shifted)
        m_overShade.Draw(painter, 1, 1);
    else
        m_overShade.Draw(painter, 0, 0);
}

}  // namespace lumivex
