#pragma once
// A whole set-up as a file a person can read and edit: the device's
// settings, its bezel mask and the four sizes of ZEPTA.ini. Every key is
// optional; a key left out is not touched when the file is applied.

#include "control/device_values.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace lumivex::control {

struct Snapshot;

// A value and the line of the file it came from.
template <typename T>
struct Field {
    std::optional<T> value;
    int line = 0;
};

struct SetupFile {
    QString path;
    Field<int> model;
    Field<Input> input;
    Field<Power> power;
    Field<Osd> osd;
    Field<Rotation> rotation;
    Field<uint8_t> gpo;
    Field<QString> resolution;  // a label or index; checked against the model
    Field<QString> layout;
    Field<Mask> mask;
    Field<int32_t> hTenths;  // 0..kMaxStoredTenths
    Field<int32_t> vTenths;
    // Bezel width, viewable width, bezel height, viewable height.
    std::array<Field<double>, 4> sizes;
};

// Throws a usage failure naming the file's line for anything not understood.
SetupFile readSetupFile(const QString& path);
// The same, for text already read; path names it in complaints.
SetupFile parseSetupFile(const QString& path, const QByteArray& text);

// All of a file, a pipe or a terminal ("-" is standard input), read once:
// a pipe cannot be read again for a second link. Throws a usage failure,
// also for more than kSettingsFileLimit bytes, which are never all read.
QByteArray readInputText(const QString& path);
// How complaints name it: "stdin" for "-".
QString setupFileName(const QString& path);

// True when the file sets nothing at all.
bool isEmpty(const SetupFile& setup);

// The text save writes. Every value it writes reads back as the same value,
// including raw numbers a device reported that have no name.
// linkId is what --link takes to reach the same device again.
QString setupFileText(const Snapshot& snapshot, const QString& linkId);

// "FILE:LINE: text", the form of every complaint about a file.
QString fileLine(const QString& path, int line, const QString& text);

// The keys of section [Sizes], in the order of SetupFile::sizes.
inline constexpr std::array<const char*, 4> kSizeKeys{"bezel width", "viewable width", "bezel height",
                                                      "viewable height"};

}  // namespace lumivex::control
