#include "panel/activation_read_back.h"

#include "panel/link_messages.h"
#include "link/link_state.h"
#include "platform/message_service.h"

namespace lumivex {

namespace {

ReadBackOutcome readByMode(LinkState& link, const ReadBackSteps& steps)
{
    switch (link.interfaceMode()) {
    case InterfaceMode::DdcCi:
        return !steps.readDdc || steps.readDdc(link) ? ReadBackOutcome::Read : ReadBackOutcome::DdcReadFailed;
    case InterfaceMode::Serial:
        return !steps.readSerial || steps.readSerial(link) ? ReadBackOutcome::Read : ReadBackOutcome::NoReply;
    case InterfaceMode::None:
        break;
    }
    return ReadBackOutcome::NoLink;
}

const char* messageFor(ReadBackOutcome outcome)
{
    switch (outcome) {
    case ReadBackOutcome::NoLink:
        return link_messages::kNoLink;
    case ReadBackOutcome::DdcReadFailed:
        return link_messages::kDdcReadFail;
    case ReadBackOutcome::NoReply:
        return link_messages::kSerialReadFail;
    case ReadBackOutcome::Read:
        break;
    }
    return nullptr;
}

}  // namespace

ReadBackOutcome runActivationReadBack(LinkState& link, MessageService& messages, const ReadBackSteps& steps)
{
    const ReadBackOutcome outcome = readByMode(link, steps);
    const bool readFailed = outcome == ReadBackOutcome::DdcReadFailed || outcome == ReadBackOutcome::NoReply;
    if (readFailed && steps.clearValues)
        steps.clearValues();
    if (const char* message = messageFor(outcome))
        messages.info(QString::fromLatin1(message));
    if (readFailed && steps.failureEndsActivation)
        return outcome;
    link.receiveBuffer().setEntry(0, 0);
    return outcome;
}

}  // namespace lumivex
