#include "serial_error.h"

#include <cerrno>

namespace lumivex {

int32_t statusFromErrno(int savedErrno)
{
    switch (savedErrno) {
    case 0:
        // A call that failed without saying why still failed.
        return EIO;
    case EWOULDBLOCK:
        // A held lock on the device means another program uses the port.
        return EBUSY;
    default:
        return savedErrno;
    }
}

int probeAnswerFromStatus(int32_t status)
{
    switch (status) {
    case 0:
        return 0;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:  // a device node whose UART is not fitted
        return 1;
    case EBUSY:
        return 2;
    default:
        return -1;
    }
}

}  // namespace lumivex
