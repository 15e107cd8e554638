#include "link/service/service_fault.h"

#include "control/service_names.h"

namespace lumivex::service_link {

ServiceFault faultOfError(const QString& errorName)
{
    using namespace control::service_errors;
    const QString own = QLatin1String(control::kErrorPrefix);
    if (errorName == QLatin1String("org.freedesktop.DBus.Error.AccessDenied")
        || errorName == own + QLatin1String(kAccessDenied))
        return ServiceFault::Denied;
    if (errorName == own + QLatin1String(kUnavailable))
        return ServiceFault::Unavailable;
    static const char* const gone[] = {
        "org.freedesktop.DBus.Error.NoReply",      "org.freedesktop.DBus.Error.Timeout",
        "org.freedesktop.DBus.Error.TimedOut",     "org.freedesktop.DBus.Error.ServiceUnknown",
        "org.freedesktop.DBus.Error.NameHasNoOwner", "org.freedesktop.DBus.Error.Disconnected",
        "org.freedesktop.DBus.Error.NoServer",     "org.freedesktop.DBus.Error.UnknownObject",
    };
    for (const char* name : gone)
        if (errorName == QLatin1String(name))
            return ServiceFault::NoAnswer;
    if (errorName == own + QLatin1String(kNoReply) || errorName == own + QLatin1String(kDamaged))
        return ServiceFault::NoAnswer;
    return ServiceFault::ServiceError;
}

}  // namespace lumivex::service_link
