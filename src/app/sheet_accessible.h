#pragma once
// The sheet as assistive technology sees it: a dialog that says it is busy
// while the link's worker has its read-back or command in hand, so a screen
// reader (or a driver of the panel) waits before it reads or sets a page.

namespace lumivex {

// Registers the sheet's accessible interface once; harmless to call again.
void useSheetAccessibility();

}  // namespace lumivex
