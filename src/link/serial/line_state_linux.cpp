// This file talks to the kernel's termios2 record, the only one that carries
// an arbitrary baud rate. Its header clashes with the C library's
// <termios.h>, so nothing else in the port code may live here.
#include "link/serial/line_state.h"

#include "link/serial/serial_error.h"
#include "link/serial/serial_status.h"

#include <asm/termbits.h>
#include <cerrno>
#include <cstdlib>
#include <sys/ioctl.h>

namespace lumivex {
namespace {

SerialResult getState(int handle, termios2& state)
{
    if (ioctl(handle, TCGETS2, &state) != 0)
        return osFailure(errno);
    return {};
}

SerialResult putState(int handle, const termios2& state)
{
    if (ioctl(handle, TCSETS2, &state) != 0)
        return osFailure(errno);
    return {};
}

bool encodeDataBits(int32_t bits, tcflag_t& flag)
{
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    if (bits < 5 || bits > 8)
        return false;
    flag = kSizes[bits - 5];
    return true;
}

int32_t decodeDataBits(tcflag_t cflag)
{
    switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
    }
}

bool encodeParity(int32_t parity, tcflag_t& flag)
{
    switch (parity) {
    case kSerialParityNone: flag = 0; return true;
    case kSerialParityOdd: flag = PARENB | PARODD; return true;
    case kSerialParityEven: flag = PARENB; return true;
    case kSerialParityMark: flag = PARENB | CMSPAR | PARODD; return true;
    case kSerialParitySpace: flag = PARENB | CMSPAR; return true;
    default: return false;
    }
}

int32_t decodeParity(const termios2& state)
{
    // Parity counts as none whenever input parity checking is off.
    if (!(state.c_iflag & INPCK) || !(state.c_cflag & PARENB))
        return kSerialParityNone;
    const bool odd = (state.c_cflag & PARODD) != 0;
    if (state.c_cflag & CMSPAR)
        return odd ? kSerialParityMark : kSerialParitySpace;
    return odd ? kSerialParityOdd : kSerialParityEven;
}

// One and a half stop bits exist only with 5 data bits, where the UART makes
// them from the two-stop-bit flag; two stop bits do not exist there.
bool encodeStopBits(int32_t stopBits, int32_t dataBits, tcflag_t& flag)
{
    switch (stopBits) {
    case kSerialStopOne: flag = 0; return true;
    case kSerialStopOneAndHalf: flag = CSTOPB; return dataBits == 5;
    case kSerialStopTwo: flag = CSTOPB; return dataBits != 5;
    default: return false;
    }
}

int32_t decodeStopBits(tcflag_t cflag)
{
    if (!(cflag & CSTOPB))
        return kSerialStopOne;
    return (cflag & CSIZE) == CS5 ? kSerialStopOneAndHalf : kSerialStopTwo;
}

// A driver quietly adjusts what its line cannot do: a UART reports the
// nearest rate it can make, a pseudo-terminal always keeps 8 bits without
// parity. Reading the state back tells whether the request was taken.
bool lineAccepted(const LineParameters& asked, const termios2& applied)
{
    const long speed = static_cast<long>(applied.c_ospeed);
    const bool speedClose = std::labs(speed - asked.baudRate) * 100 <= asked.baudRate * 3L;
    return speedClose && decodeDataBits(applied.c_cflag) == asked.dataBits &&
           decodeParity(applied) == asked.parity && decodeStopBits(applied.c_cflag) == asked.stopBits;
}

void setModemLines(int handle, int raise, int lower)
{
    // Pseudo-terminals and some adapters have no modem lines; the flow-control
    // flags are what matters then.
    if (raise)
        ioctl(handle, TIOCMBIS, &raise);
    if (lower)
        ioctl(handle, TIOCMBIC, &lower);
}

}  // namespace

SerialResult applyPortDefaults(int handle)
{
    termios2 state{};
    if (const SerialResult result = getState(handle, state); result.failed())
        return result;
    state.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON |
                       IXOFF | IXANY | IMAXBEL | INPCK | IGNPAR | IUCLC);
    state.c_oflag &= ~OPOST;
    state.c_lflag &= ~(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    state.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    state.c_cflag |= CS8 | CREAD | CLOCAL;
    state.c_cc[VMIN] = 1;
    state.c_cc[VTIME] = 0;
    return putState(handle, state);
}

SerialResult readLineParameters(int handle, LineParameters& out)
{
    termios2 state{};
    if (const SerialResult result = getState(handle, state); result.failed())
        return result;
    out.baudRate = static_cast<int32_t>(state.c_ospeed);
    out.dataBits = decodeDataBits(state.c_cflag);
    out.parity = decodeParity(state);
    out.stopBits = decodeStopBits(state.c_cflag);
    return {};
}

SerialResult writeLineParameters(int handle, const LineParameters& in)
{
    tcflag_t size = 0, parity = 0, stop = 0;
    if (in.baudRate <= 0 || !encodeDataBits(in.dataBits, size) ||
        !encodeParity(in.parity, parity) || !encodeStopBits(in.stopBits, in.dataBits, stop))
        return osFailure(EINVAL);
    termios2 previous{};
    if (const SerialResult result = getState(handle, previous); result.failed())
        return result;
    termios2 state = previous;
    state.c_cflag &= ~(CBAUD | CIBAUD | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    state.c_cflag |= BOTHER | size | parity | stop;
    state.c_ispeed = state.c_ospeed = static_cast<speed_t>(in.baudRate);
    if (in.parity != kSerialParityNone)
        state.c_iflag |= INPCK;
    else
        state.c_iflag &= ~INPCK;
    if (const SerialResult result = putState(handle, state); result.failed())
        return result;
    termios2 applied{};
    if (const SerialResult result = getState(handle, applied); result.failed())
        return result;
    if (!lineAccepted(in, applied)) {
        putState(handle, previous);
        return osFailure(EINVAL);
    }
    return {};
}

SerialResult readHandshake(int handle, int32_t& mode)
{
    termios2 state{};
    if (const SerialResult result = getState(handle, state); result.failed())
        return result;
    if (state.c_cflag & CRTSCTS)
        mode = kSerialHandshakeHardware;
    else if ((state.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF))
        mode = kSerialHandshakeSoftware;
    else
        mode = kSerialHandshakeOff;
    return {};
}

SerialResult writeHandshake(int handle, int32_t mode)
{
    termios2 state{};
    if (const SerialResult result = getState(handle, state); result.failed())
        return result;
    state.c_cflag &= ~CRTSCTS;
    state.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (mode == kSerialHandshakeHardware)
        state.c_cflag |= CRTSCTS;
    else if (mode == kSerialHandshakeSoftware)
        state.c_iflag |= IXON | IXOFF;
    if (const SerialResult result = putState(handle, state); result.failed())
        return result;
    // Hardware handshake keeps both lines up for the driver to drive; the
    // other modes hold them low, as a disabled line is.
    if (mode == kSerialHandshakeHardware)
        setModemLines(handle, TIOCM_DTR | TIOCM_RTS, 0);
    else
        setModemLines(handle, 0, TIOCM_DTR | TIOCM_RTS);
    return {};
}

}  // namespace lumivex
