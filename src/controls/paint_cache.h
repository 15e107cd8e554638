#pragma once
// What the painted controls share: the picture is rendered into an image
// only when what it depends on (the key) changes; paintEvent just draws it.

#include <QImage>
#include <QWidget>

#include <optional>

namespace lumivex {

template <typename Key>
class PaintCache {
public:
    // The image for key, rendering it anew only when key differs from the last.
    template <typename Render>
    const QImage& image(const Key& key, Render&& render)
    {
        if (!m_key || !(*m_key == key)) {
            m_image = render();
            m_key = key;
        }
        return m_image;
    }

private:
    std::optional<Key> m_key;
    QImage m_image;
};

// A transparent image of the widget's size at its pixel ratio, to render
// into; null when the widget has no size.
QImage blankImageFor(const QWidget& widget);

}  // namespace lumivex
