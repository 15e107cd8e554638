#include "sim/zepta-sim/pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lumivex::sim {

PtyDevice::~PtyDevice()
{
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyDevice::open(std::string& error)
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        error = std::string("posix_openpt: ") + std::strerror(errno);
        return false;
    }
    char name[128];
    termios raw{};
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 || ptsname_r(m_master, name, sizeof name) != 0
        || tcgetattr(m_master, &raw) != 0) {
        error = std::string("pseudo-terminal set-up: ") + std::strerror(errno);
        return false;
    }
    // The line settings live with the pair, so the slave starts raw too.
    cfmakeraw(&raw);
    cfsetspeed(&raw, B115200);
    if (tcsetattr(m_master, TCSANOW, &raw) != 0) {
        error = std::string("tcsetattr: ") + std::strerror(errno);
        return false;
    }
    // Replies never block the simulator: what the panel leaves unread past
    // the line's buffer is lost, as on a real line.
    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = std::string("fcntl: ") + std::strerror(errno);
        return false;
    }
    m_slavePath = name;
    return true;
}

bool PtyDevice::peerClosed() const
{
    pollfd p{m_master, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP) != 0 && (p.revents & POLLIN) == 0;
}

}  // namespace lumivex::sim
