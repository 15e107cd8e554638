#include "service/caller_rights.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace lumivex::service {

bool mayChange(uid_t uid)
{
    if (uid == 0 || uid == geteuid())
        return true;
    const group* changing = getgrnam(kChangingGroup);
    const passwd* user = getpwuid(uid);
    if (!changing || !user)
        return false;
    const gid_t wanted = changing->gr_gid;
    int count = 32;
    std::vector<gid_t> groups(size_t(count), 0);
    if (getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(size_t(count));
        if (getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0)
            return false;
    }
    groups.resize(size_t(count));
    for (const gid_t gid : groups)
        if (gid == wanted)
            return true;
    return false;
}

}  // namespace lumivex::service
