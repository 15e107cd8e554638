#pragma once
// How a call to lumivexd failed, and what the caller does about it: the
// library tells the caller's policy and goes on as if nothing came back.
// lumivex-ctl's policy throws (an exit code); the panel's shows the line.

#include <QString>

#include <functional>

namespace lumivex::service_link {

enum class ServiceFault {
    Denied,        // the bus policy or the service refused the call
    NoAnswer,      // the service went away or did not answer in time
    Unavailable,   // the service holds the controller, but its link is down now
    ServiceError,  // any other error the service or the bus returned
};

// line: one line that names lumivexd and the controller.
using ServiceErrorPolicy = std::function<void(ServiceFault kind, const QString& line)>;

// The kind for a D-Bus error name (org.freedesktop.DBus.Error.* or the
// service's own).
ServiceFault faultOfError(const QString& errorName);

}  // namespace lumivex::service_link
