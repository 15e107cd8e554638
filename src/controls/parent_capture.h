#pragma once
// What shows under a child: its window's and every ancestor's own painting
// there, without any other child: what a transparent control keeps as its
// background.

#include <QImage>

class QWidget;

namespace lumivex {

// A copy of the pixels the widget's ancestors paint under its rectangle, at
// the widget's size and pixel ratio: the window's background first, then
// each ancestor down to the parent drawn over it (an ancestor that paints
// no background of its own lets the one below show).
QImage captureParentBackground(const QWidget& widget);

}  // namespace lumivex
