#include "control/snapshot.h"

#include "control/outcome.h"
#include "control/controller_link.h"
#include "control/quiet_messages.h"
#include "panel/link_loader.h"
#include "panel/model_query.h"

#include <array>
#include <vector>

namespace lumivex::control {

ExitCode exitCodeFor(ReadBackOutcome outcome)
{
    switch (outcome) {
    case ReadBackOutcome::Read:
        return kExitOk;
    case ReadBackOutcome::NoLink:
        return kExitNoLink;
    case ReadBackOutcome::DdcReadFailed:
    case ReadBackOutcome::NoReply:
        break;
    }
    return kExitNoAnswer;
}

QString refusedRead(LinkState& link, const VcpReadFailure& failure)
{
    return QString::fromStdString(refusedReadText(link, failure));
}

namespace {

// Why the last serial read-back took nothing: silence, or what was wrong
// with the reply that came.
QString missingReply(const LinkState& link, const QString& what)
{
    const ReplyScan& scan = link.lastReplyScan();
    const ReadRequest request = link.lastReadRequest();
    switch (scan.fault) {
    case ReplyFault::Incomplete:
        return QStringLiteral("damaged reply to %1: %2 of its %3 bytes arrived")
            .arg(what)
            .arg(scan.arrived)
            .arg(request.replyLength);
    case ReplyFault::BadChecksum:
        return QStringLiteral("damaged reply to %1: its bytes sum to 0x%2, not 0")
            .arg(what)
            .arg(scan.sum, 2, 16, QLatin1Char('0'));
    case ReplyFault::NoHeader:
    case ReplyFault::None:
        break;
    }
    return QStringLiteral("the device did not answer %1").arg(what);
}

}  // namespace

void requireRead(ReadBackOutcome outcome, ControllerLink& link, QuietMessages& messages, int unshown)
{
    // A refused read is never a value, even where the panel goes on with the last one.
    std::vector<VcpReadFailure> failed = link.state().failedReads();
    link.state().clearFailedReads();
    for (const VcpReadFailure& failure : failed)
        if (failure.code != unshown)
            fail(kExitNoAnswer, messages.linkName() + QStringLiteral(": ") + refusedRead(link.state(), failure));
    const ExitCode code = exitCodeFor(outcome);
    if (code == kExitOk)
        return;
    if (outcome == ReadBackOutcome::NoReply) {
        const QString what = QStringLiteral("request %1").arg(link.state().lastReadRequest().command);
        messages.failWith(code, QString(), missingReply(link.state(), what) + QStringLiteral(" (%1)"));
    }
    const QString format = code == kExitNoAnswer ? QStringLiteral("the device did not answer (%1)") : QStringLiteral("%1");
    messages.failWith(code, QStringLiteral("the read-back failed"), format);
}

int32_t readModel(ControllerLink& link, QuietMessages& messages)
{
    const ModelQueryResult result = queryModel(link.state(), messages);
    if (result.outcome == ModelQueryResult::Outcome::NoLink)
        messages.failWith(kExitNoLink, QStringLiteral("no link is open"));
    if (result.outcome == ModelQueryResult::Outcome::ReadFailed) {
        const std::vector<VcpReadFailure> failed = link.state().failedReads();
        link.state().clearFailedReads();
        fail(kExitNoAnswer, QStringLiteral("DDC/CI: the model could not be read%1")
                                .arg(failed.empty() ? QString()
                                                    : QStringLiteral(": ") + refusedRead(link.state(), failed.front())));
    }
    // The panel takes silence for the first model; a script must hear of it.
    if (!result.replied)
        fail(kExitNoAnswer, messages.linkName() + QStringLiteral(": ") + missingReply(link.state(), QStringLiteral("the model query")));
    // The panel takes any byte but 1 for the first model; a script is told
    // only what the device said.
    if (!link.isDdc() && result.serialValue != 0 && result.serialValue != 1)
        return -1;
    return result.outcome == ModelQueryResult::Outcome::Known ? result.modelIndex : -1;
}

Snapshot readSnapshot(ControllerLink& link, QuietMessages& messages, int32_t model)
{
    Snapshot s;
    s.model = model;
    const bool gpio = modelFeatures(model).gpio;
    requireRead(readBackSettings(link.state(), messages, s.setting, s.gpio), link, messages, gpio ? -1 : protocol::kVcpGpio);
    s.rotationKnown = !link.isDdc();
    // A model without GPIO may still answer its codes: not shown, not saved.
    if (!gpio)
        s.gpio.reset();
    requireRead(readBackDisplay(link.state(), messages, s.display), link, messages);
    return s;
}

}  // namespace lumivex::control
