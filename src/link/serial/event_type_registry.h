#pragma once
// Names of posted notifications and the event types that carry them: the
// first call with a name registers a new type, every later call answers the
// same one, so separate parts of the program agree on a type by its name.

#include <QEvent>

#include <string_view>

namespace lumivex {

// The event type registered under this name; QEvent::None once Qt's range of
// user types is used up.
QEvent::Type registeredEventType(std::string_view name);

}  // namespace lumivex
