#pragma once
// The link to one controller, opened as the panel's "Load" does: the same COM-name
// mapping, exclusive open and DDC/CI library loader. A port held by another
// program is reported at once, never waited on or taken over.

#include "link/byte_port.h"
#include "link/ddc/ddc_api.h"
#include "link/link_state.h"
#include "link/ddc/monitor_table.h"

#include <QString>

#include <memory>

namespace lumivex {
class DdcLibrary;
}

namespace lumivex::control {

class QuietMessages;

struct LinkTarget {
    bool ddc = false;
    QString name;     // "COMn" or a device path; "DDC/CI" for ddc
    int monitor = 0;  // DDC/CI only: which monitor found answers
    QString id;       // what --link takes to reach it again: "COM1", "ddc", "ddc:1"
    QString controller = {};  // the inventory's name when it was named by one, else empty

    // How output names it: the controller's name, else the link.
    QString label() const { return controller.isEmpty() ? id : controller; }
};

// A controller another program (lumivexd) holds, reached through it: a
// byte port for a serial one, a DDC/CI api for a DDC/CI one. Empty: the
// link opens itself.
struct HeldLink {
    QString controller;
    std::unique_ptr<BytePort> bytes;
    std::unique_ptr<DdcApi> ddc;

    explicit operator bool() const { return bytes || ddc; }
};

// "ddc" or "ddc:N", "DDC2Bi" and "COMn" as the port list names them (any
// case), or a device path; monitor is ddc's when it names none. Throws a
// usage failure for anything else.
LinkTarget parseLinkTarget(const QString& text, int monitor);

class ControllerLink {
public:
    ControllerLink();
    ~ControllerLink();
    ControllerLink(const ControllerLink&) = delete;
    ControllerLink& operator=(const ControllerLink&) = delete;

    // Throws kExitNoLink when it cannot be opened. With a held link, the
    // bytes or DDC/CI calls go through it, and the rules stay the same.
    void open(const LinkTarget& target, QuietMessages& messages, HeldLink held = {});

    LinkState& state() { return *m_link; }
    // Kept for the link state as it is now and as each opening makes it anew.
    void setObserver(TransactionObserver* observer);
    bool isDdc() const { return m_link->interfaceMode() == InterfaceMode::DdcCi; }

private:
    void openDdc(const LinkTarget& target, QuietMessages& messages);
    void openSerial(const LinkTarget& target, QuietMessages& messages);
    void openHeld(const LinkTarget& target, QuietMessages& messages, HeldLink held);

    std::unique_ptr<DdcLibrary> m_ddc;
    std::unique_ptr<DdcApi> m_heldDdc;
    MonitorTable m_monitors;
    std::unique_ptr<LinkState> m_link;
    TransactionObserver* m_observer = nullptr;
};

}  // namespace lumivex::control
