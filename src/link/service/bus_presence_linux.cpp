#include "link/service/bus_presence.h"

#include <sys/stat.h>

namespace lumivex::service_link {

bool busMayBePresent(const QString& givenAddress, const QString& usualSocket)
{
    if (!givenAddress.trimmed().isEmpty())
        return true;
    struct stat status {};
    return !usualSocket.isEmpty() && ::stat(usualSocket.toLocal8Bit().constData(), &status) == 0 &&
           S_ISSOCK(status.st_mode);
}

bool busMayBePresent(bool session)
{
    // Where libdbus looks when no address is given: the user's runtime
    // folder for a session bus (a bus launched on demand would be empty).
    if (session) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        return busMayBePresent(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"),
                               runtime.isEmpty() ? QString() : runtime + QStringLiteral("/bus"));
    }
    return busMayBePresent(qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"),
                           QStringLiteral("/var/run/dbus/system_bus_socket"));
}

}  // namespace lumivex::service_link
