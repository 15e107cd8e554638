#pragma once
// The words of each of the device's values, as scripts and set-up files
// name them, and the readers of those words.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace lumivex::control {

// The words of each value, by index.
const QStringList& inputNames();     // vga component dvi
const QStringList& powerNames();     // off on
const QStringList& osdNames();       // unlock lock
const QStringList& rotationNames();  // normal rotated
const QStringList& maskNames();      // off on
const QStringList& modelNames();     // K410 K420

// The index of a word (any case) or a number in range; nullopt otherwise.
std::optional<int> pickName(const QStringList& names, const QString& text);
// "ABCD": GPIO-4 first, '1' for on.
QString bitsText(uint8_t bits);
// Four characters of 0 and 1; nullopt otherwise.
std::optional<uint8_t> parseBits(const QString& text);
// A label of the list, any case, or its index.
std::optional<int> pickLabel(const QStringList& labels, const QString& text);

}  // namespace lumivex::control
