#pragma once
// The read-back a page runs each time its tab is entered or "Refresh" is
// pressed: nothing without a link, the page's VCP reads under DDC/CI, the
// page's request-and-scan on the serial line; then entry 0 of the receive
// buffer is cleared so a reply header left at its start is not found again.

#include <functional>

namespace lumivex {

class LinkState;
class MessageService;

enum class ReadBackOutcome {
    NoLink,        // "Interface port unload"
    Read,          // the page took its values
    DdcReadFailed, // the guard read failed: "Check DDC port fail"
    NoReply,       // no reply header: "Read RS232 Data Fail"
};

// What each page fills in.
struct ReadBackSteps {
    // The page's VCP reads; false when its guard read failed.
    std::function<bool(LinkState&)> readDdc;
    // The page's request-and-scan; false when no reply was found.
    std::function<bool(LinkState&)> readSerial;
    // Empties the page's values after a failed read, before the message.
    std::function<void()> clearValues;
    // A failed read ends the activation at once, leaving entry 0 as it is.
    bool failureEndsActivation = false;
};

ReadBackOutcome runActivationReadBack(LinkState& link, MessageService& messages, const ReadBackSteps& steps);

}  // namespace lumivex
