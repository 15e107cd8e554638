#pragma once
// Tooltips of the image buttons are wrapped to a maximum width.

#include <QFont>
#include <QString>

namespace lumivex {

// The text broken into lines no wider than maxWidth pixels in font: at word
// boundaries where it can, anywhere in a word (a web address) where it must.
QString wrapToWidth(const QString& text, const QFont& font, int maxWidth);

}  // namespace lumivex
