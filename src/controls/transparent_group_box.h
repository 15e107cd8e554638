#pragma once
// CTGroupBox: a group box frame with its caption set into the top line,
// drawn over the page's own background instead of a filled box.

#include "controls/paint_cache.h"
#include <QGroupBox>
#include <QImage>

#include <optional>

namespace lumivex {

class CTGroupBox : public QGroupBox {
    Q_OBJECT
public:
    // Window edges that take room from the frame.
    enum Edge { NoEdge = 0, DialogModalFrame = 1, ClientEdge = 2, StaticEdge = 4 };
    Q_DECLARE_FLAGS(Edges, Edge)
    static constexpr int kEdgeSize = 2;
    static constexpr int kBorderSize = 1;
    // Distance of a left- or right-aligned caption from the frame's end.
    static constexpr int kCaptionIndent = 10;

    explicit CTGroupBox(const QString& title = QString(), QWidget* parent = nullptr);

    // The flat style (setFlat) draws a black frame with a highlight inside
    // it; otherwise the frame is etched. The caption follows alignment().
    void setEdges(Edges edges);
    Edges edges() const { return m_edges; }

    // The frame after the edges' room is taken, and the caption's box with
    // its blank on each side (empty when there is no caption).
    QRect frameRect() const;
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct PaintKey {
        QSize size;
        qreal ratio = 1;
        QString title;
        bool enabled = true;
        bool flat = false;
        int alignment = 0;
        int edges = 0;
        QFont font;
        qint64 palette = 0;
        bool operator==(const PaintKey&) const = default;
    };

    QString caption() const;
    PaintKey currentKey() const;
    QImage render() const;
    void drawFrame(QPainter& painter) const;
    void drawCaption(QPainter& painter) const;

    Edges m_edges = NoEdge;
    PaintCache<PaintKey> m_cache;
};

}  // namespace lumivex

Q_DECLARE_OPERATORS_FOR_FLAGS(lumivex::CTGroupBox::Edges)
