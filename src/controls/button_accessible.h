#pragma once
// How the skinned buttons present themselves to assistive tools. Pressing
// or toggling one from outside clicks it, as the mouse and Space do, so
// the page hears the click and sends its command.

class QAbstractButton;

namespace lumivex {

// Makes buttons of the skinned classes use this presentation; idempotent.
void useButtonAccessibility();

}  // namespace lumivex
