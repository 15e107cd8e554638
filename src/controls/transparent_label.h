#pragma once
// CTransparentStatic: a label drawn over a copy of the parent's pixels taken
// the first time it paints, so it sits on the page's background picture.

#include <QColor>
#include <QImage>
#include <QLabel>

namespace lumivex {

class CTransparentStatic : public QLabel {
    Q_OBJECT
public:
    explicit CTransparentStatic(const QString& text = QString(), QWidget* parent = nullptr);

    // Black unless a page says otherwise.
    void setTextColour(const QColor& colour);
    QColor textColour() const { return m_textColour; }
    // A solid background instead of the copy, when the flag is on (off by default).
    void setBackgroundColour(const QColor& colour);
    void setUseBackgroundColour(bool use);

    bool hasCapturedBackground() const { return !m_background.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_textColour = Qt::black;
    QColor m_backgroundColour = Qt::white;
    bool m_useBackgroundColour = false;
    QImage m_background;
};

}  // namespace lumivex
