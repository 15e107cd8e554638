#pragma once
// CButtonST: a button that paints itself with an icon or bitmap and a
// caption, a flat look that lights up under the pointer, a check-box mode,
// a transparent background, and an optional web address opened on click.

#include "controls/paint_cache.h"
#include "controls/image_layout.h"

#include <QAbstractButton>
#include <QIcon>
#include <QImage>

#include <array>
#include <functional>
#include <optional>

class QUrl;

namespace lumivex {

class CButtonST : public QAbstractButton {
    Q_OBJECT
public:
    // The six colours, in their customary order.
    enum class Colour { HotBackground, HotText, NormalBackground, NormalText, FocusBackground, FocusText };
    static constexpr int kColourCount = 6;
    static constexpr int kUrlCapacity = 260;  // including the terminating byte
    static constexpr int kTooltipMaxWidth = 400;
    // Pixels of the hot bitmap in this colour show the background.
    static constexpr QRgb kBitmapTransparent = 0xFFFF0000;

    using UrlOpener = std::function<bool(const QUrl&)>;

    explicit CButtonST(QWidget* parent = nullptr);
    explicit CButtonST(const QString& text, QWidget* parent = nullptr);
    ~CButtonST() override;

    void setFlat(bool flat);
    bool isFlat() const { return m_flat; }
    // Track the pointer even while the window is not the active one.
    void setAlwaysTrack(bool always) { m_alwaysTrack = always; }
    void setDrawBorder(bool draw);
    // Whether the flat look shows a focus rectangle.
    void setFlatFocus(bool draw);
    void setPressedOffset(QPoint offset);
    void setImageMargins(QPoint margins);

    void setColour(Colour which, const QColor& colour);
    QColor colour(Colour which) const;
    // Back to the button face and button text colours.
    void resetColours();

    // Check-box mode: a click toggles the check state (QAbstractButton's
    // checked state), and the button shows as pressed while checked.
    void setCheckBoxMode(bool on);
    bool isCheckBoxMode() const { return isCheckable(); }
    // Whether a click toggles the check state; a lamp that only the
    // program sets (an input's state) does not.
    void setAutoToggle(bool on) { m_autoToggle = on; }
    bool autoToggle() const { return m_autoToggle; }
    void setDefaultButton(bool isDefault);
    bool isDefaultButton() const { return m_default; }

    // Stores the icons with their sizes and repaints; without a normal icon
    // the hot icon shows in every state.
    void AssignIcons(const QIcon& hot, const QIcon& normal = QIcon());
    // Stores the bitmaps with their masks (kBitmapTransparent shows the
    // background) and repaints.
    void AssignBitmaps(const QImage& hot, const QImage& normal = QImage());
    void setImageAlignment(ImageAlign align);
    ImageAlign imageAlignment() const { return m_align; }

    // A transparent button copies its parent's pixels at its first paint
    // and keeps showing that copy.
    void setTransparent(bool transparent);
    bool isTransparent() const { return m_transparent; }

    // A web address opened when the button is clicked (outside check-box mode).
    void setUrl(const QString& url);
    QString url() const { return m_url; }
    void setUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }

    bool isPointerOver() const { return m_over; }
    QSize iconSize() const { return m_iconSize; }

    QSize sizeHint() const override;

    // Draws the whole button: background, border, icon, bitmap, caption, focus.
    void DrawItem(QPainter& painter);

protected:
    virtual void PaintBackground(QPainter& painter, const QRect& rect);
    virtual void PaintBorder(QPainter& painter, const QRect& rect);
    virtual void PaintIcon(QPainter& painter, const QRect& client, QRect& captionRect);
    virtual void PaintBitmap(QPainter& painter, const QRect& client, QRect& captionRect);
    virtual void PaintCaption(QPainter& painter, const QRect& captionRect);

    // The state of the draw in progress.
    bool drawPressed() const { return m_pressed; }
    bool drawFocused() const { return m_focused; }
    bool drawDisabled() const { return m_disabled; }
    // Marks the painted image out of date and schedules a repaint.
    void changed();

    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void nextCheckState() override;

private:
    struct PaintKey {
        QSize size;
        qreal ratio = 1;
        bool over = false, down = false, checked = false, focused = false, enabled = true;
        QString text;
        quint64 generation = 0;
        bool operator==(const PaintKey&) const = default;
    };

    // The system colours the button is painted with; a change of them is a
    // change of the desktop's colour scheme.
    struct SystemColours {
        QRgb face = 0, text = 0, light = 0, midlight = 0, dark = 0, shadow = 0;
        bool operator==(const SystemColours&) const = default;
    };
    SystemColours systemColours() const;

    void setPointerOver(bool over);
    void onClicked();
    PaintKey currentKey() const;
    QImage render();
    bool showsHotImage() const;
    QRect imageTarget(QSize size, const QRect& client, QRect& captionRect) const;

    bool m_flat = true;
    bool m_alwaysTrack = true;
    bool m_drawBorder = true;
    bool m_flatFocus = false;
    QString m_tooltipName;  // the accessible name the tooltip gave
    bool m_autoToggle = true;
    QPoint m_pressedOffset{1, 1};
    QPoint m_margins{3, 3};
    std::array<std::optional<QColor>, kColourCount> m_colours;
    bool m_default = false;

    bool m_over = false;
    bool m_pressed = false;
    bool m_focused = false;
    bool m_disabled = false;

    QIcon m_hotIcon, m_normalIcon;
    QSize m_iconSize;
    QImage m_hotBitmap, m_normalBitmap;
    ImageAlign m_align = ImageAlign::Left;

    bool m_transparent = false;
    QImage m_parentBackground;

    QString m_url;
    UrlOpener m_urlOpener;

    SystemColours m_systemColours;
    quint64 m_generation = 0;
    PaintCache<PaintKey> m_cache;
};

}  // namespace lumivex
