#include "controls/transparent_group_box.h"

#include <QPainter>

namespace lumivex {

namespace {

// A horizontal run of pixels from x0 to x1 inclusive; nothing when x1 < x0.
void hline(QPainter& painter, int x0, int x1, int y)
{
    if (x1 >= x0)
        painter.drawLine(x0, y, x1, y);
}

void vline(QPainter& painter, int x, int y0, int y1)
{
    if (y1 >= y0)
        painter.drawLine(x, y0, x, y1);
}

}  // namespace

CTGroupBox::CTGroupBox(const QString& title, QWidget* parent)
    : QGroupBox(title, parent)
{
    // A frame only: clicks go to the controls inside it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void CTGroupBox::setEdges(Edges edges)
{
    m_edges = edges;
    update();
}

QString CTGroupBox::caption() const
{
    return title().isEmpty() ? QString() : QLatin1Char(' ') + title() + QLatin1Char(' ');
}

QRect CTGroupBox::frameRect() const
{
    // Left, top, right and bottom, with right and bottom just outside.
    int left = 0, top = 0, right = width(), bottom = height();
    auto deflate = [&](int by) { left += by; top += by; right -= by; bottom -= by; };
    if (m_edges & DialogModalFrame) {
        deflate(2 * kEdgeSize);
        left -= 1;
    }
    if (m_edges & ClientEdge) {
        deflate(kEdgeSize + 1);
        left -= 1;
        if (m_edges & DialogModalFrame)
            right += 1;
    }
    if (m_edges & StaticEdge) {
        deflate(2 * kBorderSize);
        left -= 1;
    }
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QRect CTGroupBox::captionRect() const
{
    const QString text = caption();
    const QRect frame = frameRect();
    const QFontMetrics metrics = fontMetrics();
    const int captionWidth = text.isEmpty() ? 0 : metrics.horizontalAdvance(text);
    const int captionHeight = metrics.height();
    const int right = frame.right() + 1;
    int x = frame.left() + kCaptionIndent;
    if (alignment() & Qt::AlignRight)
        x = right - kCaptionIndent - captionWidth;
    else if (alignment() & Qt::AlignHCenter)
        x = frame.left() + (right - frame.left() - captionWidth) / 2;
    const int lineY = frame.top() + captionHeight / 2;
    return QRect(x, lineY - captionHeight / 2, captionWidth, text.isEmpty() ? 0 : captionHeight);
}

CTGroupBox::PaintKey CTGroupBox::currentKey() const
{
    return PaintKey{size(), devicePixelRatioF(), title(), isEnabled(), isFlat(), int(alignment()),
                    int(m_edges), font(), palette().cacheKey()};
}

void CTGroupBox::paintEvent(QPaintEvent*)
{
    const QImage& image = m_cache.image(currentKey(), [this] { return render(); });
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

QImage CTGroupBox::render() const
{
    QImage image = blankImageFor(*this);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setFont(font());
    drawFrame(painter);
    drawCaption(painter);
    return image;
}

void CTGroupBox::drawFrame(QPainter& painter) const
{
    const QRect frame = frameRect();
    const QRect gap = captionRect();
    const int l = frame.left(), r = frame.right() + 1, b = frame.bottom() + 1;
    const int y = frame.top() + fontMetrics().height() / 2;
    // The caption's box breaks the top line; an empty caption breaks nothing.
    const int gapStart = gap.width() > 0 ? gap.left() : r;
    const int gapEnd = gap.width() > 0 ? gap.left() + gap.width() : r;
    auto topLine = [&](int from, int to, int lineY) {
        hline(painter, from, std::min(gapStart, to + 1) - 1, lineY);
        hline(painter, std::max(gapEnd, from), to, lineY);
    };
    auto outline = [&](int left, int top, int right, int bottom) {
        topLine(left, right, top);
        vline(painter, left, top, bottom);
        hline(painter, left, right, bottom);
        vline(painter, right, top, bottom);
    };
    const QPalette& pal = palette();
    if (isFlat()) {
        painter.setPen(Qt::black);
        outline(l, y, r - 1, b - 1);
        painter.setPen(pal.color(QPalette::Light));
        outline(l + 1, y + 1, r - 2, b - 2);
        return;
    }
    painter.setPen(pal.color(QPalette::Dark));
    outline(l, y, r - 2, b - 2);
    painter.setPen(pal.color(QPalette::Light));
    topLine(l + 1, r - 3, y + 1);
    vline(painter, l + 1, y + 1, b - 3);
    hline(painter, l, r - 1, b - 1);
    vline(painter, r - 1, y, b - 1);
}

void CTGroupBox::drawCaption(QPainter& painter) const
{
    const QString text = caption();
    if (text.isEmpty())
        return;
    const QRect box = captionRect();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip;
    if (!isEnabled()) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(box.translated(1, 1), flags, text);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(box, flags, text);
        return;
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(box, flags, text);
}

}  // namespace lumivex
