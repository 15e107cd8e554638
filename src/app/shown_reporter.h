#pragma once
// For start-up measurements: runs a window until it has first painted,
// prints "shown <CLOCK_MONOTONIC ns>" on standard output, and closes it.

class QDialog;

namespace lumivex {

void runUntilShown(QDialog& window);

}  // namespace lumivex
