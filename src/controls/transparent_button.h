#pragma once
// CButtonTrans: a standard radio button (or check box) whose indicator and
// text are drawn straight over whatever the parent paints under it.

#include <QAbstractButton>
#include <QColor>

class QStyleOptionButton;

namespace lumivex {

class CButtonTrans : public QAbstractButton {
    Q_OBJECT
public:
    enum class Indicator { Radio, Check };

    explicit CButtonTrans(const QString& text = QString(), Indicator indicator = Indicator::Radio,
                          QWidget* parent = nullptr);

    Indicator indicator() const { return m_indicator; }

    // Black unless a page says otherwise.
    void setTextColour(const QColor& colour);
    QColor textColour() const { return m_textColour; }
    // An invalid colour (the default) fills nothing, so the parent shows.
    void setBackgroundColour(const QColor& colour);
    QColor backgroundColour() const { return m_backgroundColour; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void initStyleOption(QStyleOptionButton& option) const;

    Indicator m_indicator;
    QColor m_textColour = Qt::black;
    QColor m_backgroundColour;
};

}  // namespace lumivex
