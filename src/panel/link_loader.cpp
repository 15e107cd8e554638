#include "panel/link_loader.h"

#include "panel/access_advice.h"
#include "link/serial/com_port_map.h"
#include "panel/link_messages.h"
#include "link/net/network_address.h"
#include "link/link_state.h"
#include "link/protocol.h"
#include "platform/message_service.h"
#include "link/ddc/monitor_table.h"
#include "panel/port_list.h"
#include "link/serial/serial_mfc.h"

#include <cerrno>
#include <cstring>

namespace lumivex {

namespace {

QString text(const char* s)
{
    return QString::fromLatin1(s);
}

LoadResult loadDdc(LinkState& link, MessageService& messages)
{
    uint32_t value = 0;
    if (link.readVcp(kDdcProbeVcp, value) != 0) {
        link.setInterfaceMode(InterfaceMode::None);
        messages.info(text(link_messages::kDdcFail));
        return LoadResult::Failed;
    }
    messages.notice(text(link_messages::kDdcOpened));
    link.setInterfaceMode(InterfaceMode::DdcCi);
    return LoadResult::Loaded;
}

// A failed step drops the link and closes the port, yet the page still
// switches to loaded: the operator then sees "Interface port unload" from
// the model query and must Unload before trying again.
void failLineSetUp(LinkState& link, MessageService& messages, const char* message)
{
    messages.info(text(message));
    link.setInterfaceMode(InterfaceMode::None);
    link.closePort();
}

void reportUnableToOpen(LinkState& link, MessageService& messages, const QString& name)
{
    link.setInterfaceMode(InterfaceMode::None);
    messages.info(text(link_messages::kUnableToOpen) + name + text(link_messages::kUnableToOpenTail));
    link.closePort();
}

// A COM name mapped to a serial device server: the same messages as a
// local port. The server sets up the line, so there is no line step to fail.
LoadResult loadNetworkLink(LinkState& link, MessageService& messages, const QString& name, const std::string& linkText,
                           QObject* notifyTarget, int32_t* openStatus)
{
    const int32_t status = link.openNetwork(linkText, notifyTarget);
    if (openStatus)
        *openStatus = status;
    if (status != 0) {
        reportUnableToOpen(link, messages, name);
        return LoadResult::Failed;
    }
    messages.notice(text(link_messages::kOpenedHead) + name + text(link_messages::kOpenedTail));
    link.setInterfaceMode(InterfaceMode::Serial);
    link.resetWritePosition();
    return LoadResult::Loaded;
}

}  // namespace

LoadResult loadSerialLink(LinkState& link, MessageService& messages, const QString& name, QObject* notifyTarget,
                          int32_t* openStatus)
{
    const QByteArray device = name.toLocal8Bit();
    const std::string resolved = ComPortMap::global().resolve(device.toStdString());
    if (looksLikeNetworkLink(resolved))
        return loadNetworkLink(link, messages, name, resolved, notifyTarget, openStatus);
    CSerialMFC& port = link.port();
    const int32_t status = port.open(device.constData(), notifyTarget);
    // What the system said, when it refused: the reason names that error.
    if (openStatus)
        *openStatus = status == kSerialOsError ? port.lastOsError() : status;
    if (status != kSerialSuccess) {
        reportUnableToOpen(link, messages, name);
        return LoadResult::Failed;
    }
    messages.notice(text(link_messages::kOpenedHead) + name + text(link_messages::kOpenedTail));
    link.setInterfaceMode(InterfaceMode::Serial);
    // A new line starts with an empty receive buffer: a model reply left by
    // the device loaded before would otherwise name this one.
    link.resetWritePosition();
    // After a failed line set-up the port is closed, so the handshake fails
    // too and the operator sees both messages.
    if (port.setLineParameters(kLinkBaudRate, kLinkDataBits, kSerialParityNone, kSerialStopOne) != kSerialSuccess)
        failLineSetUp(link, messages, link_messages::kLineSettingFail);
    if (port.setHandshake(kSerialHandshakeOff) != kSerialSuccess)
        failLineSetUp(link, messages, link_messages::kHandshakeFail);
    return LoadResult::Loaded;
}

LoadResult loadLink(LinkState& link, MessageService& messages, const QString& name, QObject* notifyTarget,
                    int32_t* openStatus)
{
    if (name == QLatin1String(kDdcLinkName))
        return loadDdc(link, messages);
    if (name.startsWith(QLatin1String("COM")))
        return loadSerialLink(link, messages, name, notifyTarget, openStatus);
    return LoadResult::Ignored;
}

std::string refusedReadText(const LinkState& link, const VcpReadFailure& failure)
{
    const std::string name = link.ddcStatusName(failure.status);
    return "VCP 0x" + QString::number(failure.code, 16).toUpper().toStdString() + " could not be read (status "
         + std::to_string(failure.status) + (name.empty() ? "" : ", " + name) + ")";
}

std::string openFailureReason(LinkState& link, const QString& name, int32_t openStatus)
{
    const std::string named = name.toStdString();
    if (name == QLatin1String(kDdcLinkName)) {
        // None found is often a bus this user may not open.
        if (link.monitors().count == 0) {
            const std::string advice = i2cAccessAdvice(i2cAccessFacts());
            return "DDC/CI: no monitor was found" + (advice.empty() ? std::string() : "; " + advice);
        }
        const std::vector<VcpReadFailure>& failed = link.failedReads();
        return "DDC/CI: the monitor does not answer" + (failed.empty() ? "" : ": " + refusedReadText(link, failed.back()))
             + "; check that DDC/CI is on in its menu";
    }
    const std::string path = ComPortMap::global().resolve(named);
    // A server says what went wrong in its own terms; a name that maps to
    // one is named with it.
    if (looksLikeNetworkLink(path))
        return path == named ? link.networkProblem() : named + " (" + link.networkProblem() + ")";
    if (openStatus == EBUSY)
        return named + " is in use by another program";
    const std::string why = openStatus > 0 && openStatus < 4096 ? std::strerror(openStatus)
                                                                : "status " + std::to_string(openStatus);
    const std::string advice = serialAccessAdvice(path, openStatus, serialAccessFacts(path));
    return named + " cannot be opened (" + (path.empty() ? std::string("no device") : path) + ": " + why + ")"
         + (advice.empty() ? std::string() : "; " + advice);
}

void unloadLink(LinkState& link, MessageService& messages)
{
    messages.notice(text(link_messages::kUnloaded));
    link.closePort();
    link.setInterfaceMode(InterfaceMode::None);
}

}  // namespace lumivex
