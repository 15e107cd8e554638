#pragma once
// A whole set-up as a file a person can read and edit: the device's
// settings, its bezel mask and the four sizes of ZEPTA.ini. Every key is
// optional; a key left out is not touched when the file is applied.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace lumivex::ctl {

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
    Field<int> input;
    Field<int> power;
    Field<int> osd;
    Field<int> rotation;
    Field<uint8_t> gpo;
    Field<QString> resolution;  // a label or index; checked against the model
    Field<QString> layout;
    Field<int> mask;
    Field<int32_t> hTenths;
    Field<int32_t> vTenths;
    // Bezel width, viewable width, bezel height, viewable height.
    std::array<Field<double>, 4> sizes;
};

// Throws a usage failure naming the file's line for anything not understood.
SetupFile readSetupFile(const QString& path);

// True when the file sets nothing at all.
bool isEmpty(const SetupFile& setup);

// The text save writes.
QString setupFileText(const Snapshot& snapshot, const QString& linkName);

// "FILE:LINE: text", the form of every complaint about a file.
QString fileLine(const QString& path, int line, const QString& text);

// The keys of section [Sizes], in the order of SetupFile::sizes.
inline constexpr std::array<const char*, 4> kSizeKeys{"bezel width", "viewable width", "bezel height",
                                                      "viewable height"};

}  // namespace lumivex::ctl
