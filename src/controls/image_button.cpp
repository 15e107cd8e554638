#include "controls/image_button.h"

#include "controls/button_accessible.h"
#include "controls/parent_capture.h"
#include "controls/tooltip_text.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <QUrl>

namespace lumivex {

namespace {

// Lines along the top and left in one colour, then the bottom and right in
// another, one pixel wide, on the rectangle's outermost pixels.
void drawEdge(QPainter& painter, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

QImage withTransparentKey(const QImage& image, QRgb key)
{
    if (image.isNull())
        return image;
    QImage masked = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < masked.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked.scanLine(y));
        for (int x = 0; x < masked.width(); ++x) {
            if ((line[x] & 0x00FFFFFF) == (key & 0x00FFFFFF))
                line[x] = 0;
        }
    }
    return masked;
}

}  // namespace

CButtonST::CButtonST(QWidget* parent)
    : CButtonST(QString(), parent)
{
}

CButtonST::CButtonST(const QString& text, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    m_urlOpener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    m_systemColours = systemColours();
    // Connected first, so the button acts before anyone else hears the click.
    connect(this, &QAbstractButton::clicked, this, &CButtonST::onClicked);
    useButtonAccessibility();
}

CButtonST::~CButtonST() = default;

void CButtonST::changed()
{
    ++m_generation;
    update();
}

void CButtonST::setFlat(bool flat)
{
    m_flat = flat;
    if (!flat)
        m_over = false;
    changed();
}

void CButtonST::setDrawBorder(bool draw)
{
    m_drawBorder = draw;
    changed();
}

void CButtonST::setFlatFocus(bool draw)
{
    m_flatFocus = draw;
    changed();
}

void CButtonST::setPressedOffset(QPoint offset)
{
    m_pressedOffset = offset;
    changed();
}

void CButtonST::setImageMargins(QPoint margins)
{
    m_margins = margins;
    changed();
}

void CButtonST::setColour(Colour which, const QColor& colour)
{
    m_colours.at(static_cast<size_t>(which)) = colour;
    changed();
}

QColor CButtonST::colour(Colour which) const
{
    if (const auto& set = m_colours.at(static_cast<size_t>(which)))
        return *set;
    switch (which) {
    case Colour::HotText:
    case Colour::NormalText:
    case Colour::FocusText:
        return palette().color(QPalette::ButtonText);
    default:
        return palette().color(QPalette::Button);
    }
}

void CButtonST::resetColours()
{
    m_colours.fill(std::nullopt);
    changed();
}

void CButtonST::setCheckBoxMode(bool on)
{
    setCheckable(on);
    changed();
}

void CButtonST::nextCheckState()
{
    if (m_autoToggle)
        QAbstractButton::nextCheckState();
}

void CButtonST::setDefaultButton(bool isDefault)
{
    m_default = isDefault;
    changed();
}

void CButtonST::AssignIcons(const QIcon& hot, const QIcon& normal)
{
    m_hotIcon = hot;
    m_normalIcon = normal;
    // The icon's own size; a 32 × 32 picture stays 32 × 32 when it fits.
    m_iconSize = hot.isNull() ? QSize() : hot.actualSize(QSize(256, 256));
    changed();
}

void CButtonST::AssignBitmaps(const QImage& hot, const QImage& normal)
{
    m_hotBitmap = withTransparentKey(hot, kBitmapTransparent);
    m_normalBitmap = withTransparentKey(normal, kBitmapTransparent);
    changed();
}

void CButtonST::setImageAlignment(ImageAlign align)
{
    m_align = align;
    changed();
}

void CButtonST::setTransparent(bool transparent)
{
    m_transparent = transparent;
    changed();
}

void CButtonST::setUrl(const QString& url)
{
    m_url = url.left(kUrlCapacity - 1);
}

QSize CButtonST::sizeHint() const
{
    const QSize textSize = fontMetrics().size(Qt::TextShowMnemonic, text());
    QSize image = m_iconSize.expandedTo(m_hotBitmap.size());
    const int width = image.width() + textSize.width() + 4 * m_margins.x();
    const int height = std::max(image.height(), textSize.height()) + 2 * m_margins.y();
    return QSize(width, height);
}

void CButtonST::setPointerOver(bool over)
{
    if (m_over == over)
        return;
    m_over = over;
    changed();
}

void CButtonST::onClicked()
{
    setFocus(Qt::MouseFocusReason);
    if (!isCheckBoxMode() && !m_url.isEmpty() && m_urlOpener)
        m_urlOpener(QUrl::fromUserInput(m_url));
}

CButtonST::SystemColours CButtonST::systemColours() const
{
    const QPalette& pal = palette();
    return SystemColours{pal.color(QPalette::Button).rgb(), pal.color(QPalette::ButtonText).rgb(),
                         pal.color(QPalette::Light).rgb(),  pal.color(QPalette::Midlight).rgb(),
                         pal.color(QPalette::Dark).rgb(),   pal.color(QPalette::Shadow).rgb()};
}

CButtonST::PaintKey CButtonST::currentKey() const
{
    return PaintKey{size(), devicePixelRatioF(), m_over, isDown(), isChecked(), hasFocus(), isEnabled(),
                    text(), m_generation};
}

void CButtonST::paintEvent(QPaintEvent*)
{
    const QImage& image = m_cache.image(currentKey(), [this] { return render(); });
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

QImage CButtonST::render()
{
    QImage image = blankImageFor(*this);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.setFont(font());
    DrawItem(painter);
    return image;
}

void CButtonST::DrawItem(QPainter& painter)
{
    m_pressed = isCheckBoxMode() ? (isDown() || isChecked()) : isDown();
    m_focused = hasFocus();
    m_disabled = !isEnabled();
    const QRect client = rect();

    if (m_transparent) {
        if (m_parentBackground.isNull())
            m_parentBackground = captureParentBackground(*this);
        painter.drawImage(0, 0, m_parentBackground);
    } else {
        PaintBackground(painter, client);
    }
    PaintBorder(painter, client);

    QRect captionRect = client;
    if (!m_hotIcon.isNull())
        PaintIcon(painter, client, captionRect);
    if (!m_hotBitmap.isNull())
        PaintBitmap(painter, client, captionRect);
    if (!text().isEmpty())
        PaintCaption(painter, captionRect);

    if (m_focused && (!m_flat || m_flatFocus)) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = client.adjusted(3, 3, -3, -3);
        option.backgroundColor = colour(Colour::FocusBackground);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CButtonST::PaintBackground(QPainter& painter, const QRect& rect)
{
    QRect fill = rect;
    if (!m_flat && (m_focused || m_default)) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(fill.adjusted(0, 0, -1, -1));
        fill.adjust(1, 1, -1, -1);
    }
    QColor colourToUse = colour(Colour::NormalBackground);
    if (m_over || m_pressed)
        colourToUse = colour(Colour::HotBackground);
    else if (m_focused)
        colourToUse = colour(Colour::FocusBackground);
    painter.fillRect(fill, colourToUse);
}

void CButtonST::PaintBorder(QPainter& painter, const QRect& rect)
{
    const QPalette& pal = palette();
    painter.setBrush(Qt::NoBrush);
    if (m_pressed) {
        if (m_flat) {
            if (m_drawBorder)
                drawEdge(painter, rect, pal.color(QPalette::Dark), pal.color(QPalette::Light));
        } else {
            painter.setPen(pal.color(QPalette::Dark));
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
        return;
    }
    if (!m_flat) {
        drawEdge(painter, rect, pal.color(QPalette::Light), pal.color(QPalette::Shadow));
        drawEdge(painter, rect.adjusted(1, 1, -1, -1), pal.color(QPalette::Midlight), pal.color(QPalette::Dark));
    } else if (m_over && m_drawBorder) {
        drawEdge(painter, rect, pal.color(QPalette::Light), pal.color(QPalette::Dark));
    }
}

bool CButtonST::showsHotImage() const
{
    return m_pressed || (!isCheckBoxMode() && m_over);
}

QRect CButtonST::imageTarget(QSize size, const QRect& client, QRect& captionRect) const
{
    const ImagePlacement placement = placeImage(client, size, m_align, !text().isEmpty(), m_margins);
    captionRect = placement.caption;
    QRect target = placement.image;
    if (m_pressed && !isCheckBoxMode())
        target.translate(m_pressedOffset);
    return target;
}

void CButtonST::PaintIcon(QPainter& painter, const QRect& client, QRect& captionRect)
{
    const QIcon& icon = showsHotImage() || m_normalIcon.isNull() ? m_hotIcon : m_normalIcon;
    const QRect target = imageTarget(m_iconSize, client, captionRect);
    icon.paint(&painter, target, Qt::AlignCenter, m_disabled ? QIcon::Disabled : QIcon::Normal);
}

void CButtonST::PaintBitmap(QPainter& painter, const QRect& client, QRect& captionRect)
{
    const QImage& bitmap = showsHotImage() || m_normalBitmap.isNull() ? m_hotBitmap : m_normalBitmap;
    const QRect target = imageTarget(bitmap.size(), client, captionRect);
    if (m_disabled) {
        QIcon(QPixmap::fromImage(bitmap)).paint(&painter, target, Qt::AlignCenter, QIcon::Disabled);
        return;
    }
    painter.drawImage(target, bitmap);
}

void CButtonST::PaintCaption(QPainter& painter, const QRect& captionRect)
{
    QRect r = captionRect;
    if (m_pressed && !isCheckBoxMode())
        r.translate(m_pressedOffset);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (m_disabled) {
        // Embossed: the highlight one pixel down-right, the shadow on top.
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(r.translated(1, 1), flags, text());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(r, flags, text());
        return;
    }
    QColor textColour = colour(Colour::NormalText);
    if (m_over || m_pressed)
        textColour = colour(Colour::HotText);
    else if (m_focused)
        textColour = colour(Colour::FocusText);
    painter.setPen(textColour);
    painter.drawText(r, flags, text());
}

bool CButtonST::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && !toolTip().isEmpty()) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QToolTip::showText(help->globalPos(), wrapToWidth(toolTip(), QToolTip::font(), kTooltipMaxWidth), this);
        return true;
    }
    // A button showing only a picture is named by its tooltip, unless it
    // has been given a name of its own.
    if (event->type() == QEvent::ToolTipChange && text().isEmpty()
        && (accessibleName().isEmpty() || accessibleName() == m_tooltipName)) {
        m_tooltipName = toolTip();
        setAccessibleName(m_tooltipName);
    }
    return QAbstractButton::event(event);
}

void CButtonST::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    if (!m_flat)
        return;
    if (!m_alwaysTrack && !(window() && window()->isActiveWindow()))
        return;
    // A drag that starts elsewhere does not light the button up.
    if ((QGuiApplication::mouseButtons() & Qt::LeftButton) && !m_over)
        return;
    setPointerOver(true);
}

void CButtonST::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    setPointerOver(false);
}

void CButtonST::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractButton::mouseMoveEvent(event);
    if (!m_flat || m_over || (event->buttons() & Qt::LeftButton))
        return;
    if (!m_alwaysTrack && !(window() && window()->isActiveWindow()))
        return;
    if (rect().contains(event->position().toPoint()))
        setPointerOver(true);
}

void CButtonST::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second click of a double-click is a click of its own.
    mousePressEvent(event);
}

void CButtonST::focusOutEvent(QFocusEvent* event)
{
    QAbstractButton::focusOutEvent(event);
    if (m_flat)
        setPointerOver(false);
    changed();
}

void CButtonST::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    switch (event->type()) {
    case QEvent::ActivationChange:
        if (m_flat && !isActiveWindow())
            setPointerOver(false);
        break;
    case QEvent::EnabledChange:
        if (!isEnabled())
            setPointerOver(false);
        changed();
        break;
    case QEvent::FontChange:
    case QEvent::StyleChange:
        changed();
        break;
    case QEvent::PaletteChange:
        // A change of the system colours undoes the page's colours and the
        // copy of the parent taken under the old ones; a page changing only
        // its own background keeps them.
        if (const SystemColours now = systemColours(); !(now == m_systemColours)) {
            m_systemColours = now;
            m_parentBackground = QImage();
            resetColours();
        }
        break;
    default:
        break;
    }
}

}  // namespace lumivex
