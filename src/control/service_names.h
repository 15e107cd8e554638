#pragma once
// The names lumivexd answers to on the bus, shared by the service and its
// clients: the bus name, the objects, the interfaces and the errors.

#include <QString>

namespace lumivex::control {

inline constexpr char kServiceName[] = "org.lumivex.Lumivex1";
inline constexpr char kManagerPath[] = "/org/lumivex/Lumivex1";
inline constexpr char kManagerInterface[] = "org.lumivex.Lumivex1.Manager";
inline constexpr char kControllerInterface[] = "org.lumivex.Lumivex1.Controller";
inline constexpr char kErrorPrefix[] = "org.lumivex.Lumivex1.Error.";
// "session" puts the service and its clients on the session bus.
inline constexpr char kBusEnv[] = "LUMIVEX_BUS";

// Set's flags.
inline constexpr unsigned kSetNoVerify = 1u;

// The error names, after kErrorPrefix.
namespace service_errors {
inline constexpr char kNoReply[] = "NoReply";
inline constexpr char kDamaged[] = "Damaged";
inline constexpr char kNotVerified[] = "NotVerified";
inline constexpr char kUnavailable[] = "Unavailable";
inline constexpr char kAccessDenied[] = "AccessDenied";
inline constexpr char kBadRequest[] = "BadRequest";
}  // namespace service_errors

// "/org/lumivex/Lumivex1/controller/<name>", each byte of the name outside
// [A-Za-z0-9] written as '_' and two lower-case hex digits.
QString controllerObjectPath(const QString& name);
// The name back from an object path; empty when it is no controller's.
QString controllerNameFromPath(const QString& path);

// Whether "session" was asked for: the argument when given ("system" or
// "session"), else LUMIVEX_BUS. Anything else is refused by the caller.
bool useSessionBus(const QString& given);

}  // namespace lumivex::control
