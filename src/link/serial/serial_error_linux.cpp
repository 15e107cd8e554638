#include "link/serial/serial_error.h"

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace lumivex {

SerialResult osFailure(int savedErrno)
{
    switch (savedErrno) {
    case 0:
        // A call that failed without saying why still failed.
        return {kSerialOsError, EIO};
    case EWOULDBLOCK:
        // A held lock on the device means another program uses the port.
        return {kSerialOsError, EBUSY};
    default:
        return {kSerialOsError, savedErrno};
    }
}

int probeAnswerFromStatus(const SerialResult& result)
{
    if (result.status == kSerialSuccess)
        return 0;
    if (result.status != kSerialOsError)
        return -1;
    switch (result.osError) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case EIO:  // a device node whose UART is not fitted
        return 1;
    case EBUSY:
        return 2;
    case EACCES:
    case EPERM:
        return kProbeNoPermission;
    default:
        return -1;
    }
}

bool uartFitted(const std::string& devicePath, const std::string& sysTty)
{
    const std::filesystem::path device(devicePath);
    if (device.parent_path() != "/dev")
        return true;
    std::ifstream type(std::filesystem::path(sysTty) / device.filename() / "type");
    int portType = -1;
    // USB and ACM ports have no port type: fitted whenever the node is there.
    if (!(type >> portType))
        return true;
    return portType != 0;
}

}  // namespace lumivex
