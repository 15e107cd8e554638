#pragma once
// Whether a bus can be there to ask before Qt's D-Bus is started for it.
// A bus that is not there has no lumivexd on it; finding that out through
// QtDBus costs its connection thread and a failed connection.

#include <QString>

namespace lumivex::service_link {

// True when the bus's address is given in the environment (it is tried as
// given), or when its usual socket exists.
bool busMayBePresent(bool session);

// The rule itself: an address given, else a socket at the usual place.
bool busMayBePresent(const QString& givenAddress, const QString& usualSocket);

}  // namespace lumivex::service_link
