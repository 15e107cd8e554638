#pragma once
// The links the Interface page offers: DDC/CI first, then every COM port
// that can be opened now. Ports that are absent or held by another program
// are left out.

#include <QStringList>

#include <functional>

namespace lumivex {

// The name that loads the DDC/CI link.
inline constexpr const char* kDdcLinkName = "DDC2Bi";
// COM1 up to this one are tried.
inline constexpr int kHighestComPort = 255;

// Answers 0 when the port could be opened now (see CSerial::probe).
using PortProbe = std::function<int(const char* name)>;

// "DDC2Bi", then "COMn" for n = 1..255 whose probe answers 0.
QStringList availableLinks(const PortProbe& probe);

// The same with the real serial port probe.
QStringList availableLinks();

}  // namespace lumivex
