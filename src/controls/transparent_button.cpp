#include "controls/transparent_button.h"

#include "controls/button_accessible.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace lumivex {

CButtonTrans::CButtonTrans(const QString& text, Indicator indicator, QWidget* parent)
    : QAbstractButton(parent)
    , m_indicator(indicator)
{
    setText(text);
    setCheckable(true);
    // Radio buttons of one group exclude each other and take the arrow keys.
    setAutoExclusive(indicator == Indicator::Radio);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    useButtonAccessibility();
}

void CButtonTrans::setTextColour(const QColor& colour)
{
    m_textColour = colour;
    update();
}

void CButtonTrans::setBackgroundColour(const QColor& colour)
{
    m_backgroundColour = colour;
    update();
}

void CButtonTrans::initStyleOption(QStyleOptionButton& option) const
{
    option.initFrom(this);
    option.text = text();
    option.icon = icon();
    option.iconSize = iconSize();
    if (isDown())
        option.state |= QStyle::State_Sunken;
    option.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
    option.palette.setColor(QPalette::WindowText, m_textColour);
    option.palette.setColor(QPalette::ButtonText, m_textColour);
}

QSize CButtonTrans::sizeHint() const
{
    QStyleOptionButton option;
    initStyleOption(option);
    const bool radio = m_indicator == Indicator::Radio;
    const QSize label = fontMetrics().size(Qt::TextShowMnemonic, text());
    const int indicatorWidth =
        style()->pixelMetric(radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, &option, this);
    const int indicatorHeight = style()->pixelMetric(
        radio ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight, &option, this);
    const int spacing =
        style()->pixelMetric(radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, &option, this);
    const QSize contents(indicatorWidth + spacing + label.width(), std::max(indicatorHeight, label.height()));
    return style()->sizeFromContents(radio ? QStyle::CT_RadioButton : QStyle::CT_CheckBox, &option, contents, this);
}

void CButtonTrans::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_backgroundColour.isValid())
        painter.fillRect(rect(), m_backgroundColour);
    QStyleOptionButton option;
    initStyleOption(option);
    style()->drawControl(m_indicator == Indicator::Radio ? QStyle::CE_RadioButton : QStyle::CE_CheckBox, &option,
                         &painter, this);
}

}  // namespace lumivex
