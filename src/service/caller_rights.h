#pragma once
// Who may change a controller through the service: root, the service's own
// user and the members of group lumivex, as the bus policy says for the
// calls it can tell apart. Exchange it cannot: every read of a serial
// controller is one too, so the policy lets everyone call it and the
// service refuses a frame that is no read request here.

#include <sys/types.h>

namespace lumivex::service {

inline constexpr char kChangingGroup[] = "lumivex";

// uid's user is root, this process's user, or in group lumivex (as its
// primary group or a supplementary one).
bool mayChange(uid_t uid);

}  // namespace lumivex::service
