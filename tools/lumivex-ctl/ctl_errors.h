#pragma once
// How lumivex-ctl ends: its exit codes, and the failure that carries one
// with the single line printed on stderr.

#include <QString>

namespace lumivex::ctl {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,         // the command line or a set-up file is wrong
    kExitNoAnswer = 2,      // the device did not answer, or a read failed
    kExitNoLink = 3,        // the link cannot be opened
    kExitNotVerified = 4,   // set, apply: the read-back differs from what was sent
};

struct Failure {
    int code;
    QString line;
};

[[noreturn]] inline void fail(int code, const QString& line)
{
    throw Failure{code, line};
}

}  // namespace lumivex::ctl
