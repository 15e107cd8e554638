#pragma once
// CBaseTabCtrl: a tab row that, in its self-painting modes, hands each part
// of its painting to an overridable operation.

#include "controls/paint_cache.h"
#include <QImage>
#include <QTabBar>

#include <optional>
#include <vector>

namespace lumivex {

// What one tab's painting is given.
struct TabItemRecord {
    int index = -1;
    bool selected = false;
    QRect rect;
};

class CBaseTabCtrl : public QTabBar {
    Q_OBJECT
public:
    explicit CBaseTabCtrl(QWidget* parent = nullptr);

    // An invalid colour means none.
    void setTabColour(const QColor& colour);
    QColor tabColour() const { return m_tabColour; }

    // 0 and 1 leave painting to the standard tab row; any other value makes
    // the control paint itself.
    void setPaintMode(int mode);
    int paintMode() const { return m_paintMode; }
    bool paintsItself() const { return m_paintMode != 0 && m_paintMode != 1; }

    // Bits per pixel of the display; 0 (the default) asks the screen.
    void setDisplayDepth(int bitsPerPixel);
    int displayDepth() const;

    // The record of tab index as the painting passes it on: the selected
    // tab reaches 2 pixels higher and lower than the others.
    TabItemRecord itemRecord(int index) const;

    virtual void PaintTab(QPainter& painter, const TabItemRecord& item);
    virtual void PaintBodyFrame(QPainter& painter, const QRect& body);
    virtual void PaintTabEdges(QPainter& painter, const TabItemRecord& item);
    virtual QColor TabFillColour(bool selected) const;
    virtual QColor TabLabelColour(bool selected) const;

protected:
    // Marks the painted row out of date and schedules a repaint.
    void changed();

    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct PaintKey {
        QSize size;
        qreal ratio = 1;
        int current = -1;
        std::vector<QString> labels;
        std::vector<qint64> icons;
        QFont font;
        qint64 palette = 0;
        quint64 generation = 0;
        bool operator==(const PaintKey&) const = default;
    };

    PaintKey currentKey() const;
    QImage render();

    QColor m_tabColour;
    int m_paintMode = 0;
    int m_displayDepth = 0;
    quint64 m_generation = 0;
    PaintCache<PaintKey> m_cache;
};

}  // namespace lumivex
