#pragma once
// How an operation on a controller ends: its outcome as an exit code, and
// the failure that carries one with the single line that says why.

#include <QString>

namespace lumivex::control {

enum ExitCode : int {
    kExitOk = 0,
    kExitUsage = 1,         // the command line or a set-up file is wrong
    kExitNoAnswer = 2,      // the device did not answer, or a read failed
    kExitNoLink = 3,        // the link cannot be opened
    kExitNotVerified = 4,   // set, apply: the read-back differs from what was sent
    kExitDenied = 5,        // the bus policy refused the call
};

struct Failure {
    ExitCode code;
    QString line;
};

[[noreturn]] inline void fail(ExitCode code, const QString& line)
{
    throw Failure{code, line};
}

}  // namespace lumivex::control
