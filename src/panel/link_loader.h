#pragma once
// Opening and closing the link to the controller, as the Interface page's
// "Load" and "Unload" do: every step reports to the operator, and the
// InterfaceMode ends at 0 after any failure.

#include "link/protocol.h"

#include <QString>

#include <cstdint>
#include <string>

class QObject;

namespace lumivex {

class LinkState;
struct VcpReadFailure;
class MessageService;

enum class LoadResult {
    Ignored,  // the text names no link; nothing happened
    Failed,   // nothing is open; the page stays unloaded
    Loaded,   // the page switches to loaded (also after a failed line set-up)
};

// The VCP code read to see whether a monitor answers on DDC/CI.
inline constexpr uint8_t kDdcProbeVcp = protocol::kVcpResolution;

// The line every COM port is set to.
inline constexpr uint32_t kLinkBaudRate = 115200;
inline constexpr int32_t kLinkDataBits = 8;

// text is what the port box shows: exactly "DDC2Bi" probes DDC/CI, any text
// starting with "COM" is opened as a serial port whose notifications go to
// notifyTarget.
// openStatus as for loadSerialLink().
LoadResult loadLink(LinkState& link, MessageService& messages, const QString& text, QObject* notifyTarget,
                    int32_t* openStatus = nullptr);

// The serial half of loadLink() for any name the port opens: "COMn" or a
// device path, or a network link ("tcp://…", "rfc2217://…") given directly
// or as what "COMn" maps to. openStatus, when given, receives the errno
// when the system refused the open (EBUSY for a port held by another
// program), else the open's status, before the close that follows a
// failure clears it.
LoadResult loadSerialLink(LinkState& link, MessageService& messages, const QString& name, QObject* notifyTarget,
                          int32_t* openStatus = nullptr);

// "VCP 0xD6 could not be read (status -3005, DDCRC_REPORTED_UNSUPPORTED)"
std::string refusedReadText(const LinkState& link, const VcpReadFailure& failure);

// Why a link did not load, in one line with the next step where there is
// one: the refused DDC/CI read, the server's answer, the port held by
// another program, or the device and its error. The operator's message
// box says only that it failed; this goes to logs and the command line.
std::string openFailureReason(LinkState& link, const QString& name, int32_t openStatus);

// Closes the port (harmless under DDC/CI) and drops the link; the receive
// buffer keeps what it holds.
void unloadLink(LinkState& link, MessageService& messages);

}  // namespace lumivex
