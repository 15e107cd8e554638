#pragma once
// Builds with AddressSanitizer only: the leak check runs at exit, after the
// last static destructor. Qt stops some of its threads there (its D-Bus
// connection thread among them) and waits only until each says it is done,
// not until it is gone; a thread still releasing its own data when the
// check runs makes that data look lost. settleThreadsAtExit(), called at
// the start of main, makes the exit wait at that point, at most a second,
// until no thread but the main one is left. In other builds it does nothing.

namespace lumivex {

void settleThreadsAtExit();

}  // namespace lumivex
