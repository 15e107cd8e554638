#pragma once
// CShadeButtonST: an image button whose face is a generated shade, lit a
// little toward the highlight while the pointer is over it.

#include "controls/image_button.h"
#include "controls/indexed_bitmap.h"
#include "controls/shade_pattern.h"

namespace lumivex {

class CShadeButtonST : public CButtonST {
    Q_OBJECT
public:
    // The one shade the pages use.
    static constexpr int kShadeDiagonal = 6;
    // How far the pointer-over face moves toward the highlight, in percent.
    static constexpr int kOverBlendPercent = 10;

    explicit CShadeButtonST(QWidget* parent = nullptr);
    explicit CShadeButtonST(const QString& text, QWidget* parent = nullptr);

    // The noise behind the shade; set it before BuildShade to fix the face.
    void setNoiseSource(NoiseSource noise) { m_noise = std::move(noise); }

    // Builds the normal and pointer-over faces at the button's size from its
    // palette's shadow, face and highlight colours; a button not yet given a
    // size builds them at the first size it gets. Built once: a later resize
    // keeps them. False for a shade type other than 6 or an empty button,
    // which then keeps the plain background.
    bool BuildShade(int shadeType = kShadeDiagonal);

    const CCeXDib& normalShade() const { return m_normalShade; }
    const CCeXDib& overShade() const { return m_overShade; }

protected:
    void PaintBackground(QPainter& painter, const QRect& rect) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool buildNow();

    bool m_shadePending = false;
    NoiseSource m_noise = defaultNoiseSource();
    CCeXDib m_normalShade;
    CCeXDib m_overShade;
};

}  // namespace lumivex
