#pragma once
// The one place where a failure reported by the operating system becomes a
// serial status value.

#include "link/serial/serial_status.h"

#include <cstdint>
#include <string>

namespace lumivex {

// The result for an errno value, saved by the caller right after the failing
// call: kSerialOsError with the errno, except that no errno becomes EIO and a
// held lock (EWOULDBLOCK) becomes EBUSY, the port in use.
SerialResult osFailure(int savedErrno);

// What a probe answers for the result of an attempt to open the port:
// 0 available, 1 not present, 2 in use, 3 no permission (the port is there
// but closed to this user), −1 any other error.
int probeAnswerFromStatus(const SerialResult& result);
inline constexpr int kProbeNoPermission = 3;

// False when the kernel says the device node has no UART behind it (its
// port type under sysTty is 0). Such a node answers EIO to whoever may open
// it, but EACCES to a user who may not, before the driver is asked.
bool uartFitted(const std::string& devicePath, const std::string& sysTty = "/sys/class/tty");

}  // namespace lumivex
