#pragma once
// The parent's own painting under a child, without any of its children: what
// a transparent control keeps as its background.

#include <QImage>

class QWidget;

namespace lumivex {

// A copy of what the parent paints under widget's rectangle (its background
// and its own drawing, not its other children), at the widget's size and
// pixel ratio. A widget without a parent gets its own palette's window colour.
QImage captureParentBackground(const QWidget& widget);

}  // namespace lumivex
