#pragma once
// The one place where a failure reported by the operating system becomes a
// serial status value.

#include <cstdint>

namespace lumivex {

// Maps an errno value, saved by the caller right after the failing call, to
// the status the serial classes return. Most values pass unchanged.
int32_t statusFromErrno(int savedErrno);

// What a probe answers for the status of an attempt to open the port:
// 0 available, 1 not present, 2 in use, −1 any other error.
int probeAnswerFromStatus(int32_t status);

}  // namespace lumivex
