#include "lumivex-ctl/ctl_device.h"

#include "lumivex-ctl/ctl_errors.h"
#include "lumivex-ctl/ctl_link.h"
#include "lumivex-ctl/ctl_messages.h"
#include "panel/link_loader.h"
#include "panel/model_query.h"

#include <QJsonValue>

#include <array>
#include <vector>

namespace lumivex::ctl {

const QStringList& inputNames()
{
    static const QStringList names{"vga", "component", "dvi"};
    return names;
}

const QStringList& powerNames()
{
    static const QStringList names{"off", "on"};
    return names;
}

const QStringList& osdNames()
{
    static const QStringList names{"unlock", "lock"};
    return names;
}

const QStringList& rotationNames()
{
    static const QStringList names{"normal", "rotated"};
    return names;
}

const QStringList& maskNames()
{
    static const QStringList names{"off", "on"};
    return names;
}

const QStringList& modelNames()
{
    static const QStringList names{"K410", "K420"};
    return names;
}

std::optional<int> pickName(const QStringList& names, const QString& text)
{
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    return std::nullopt;
}

std::optional<int> pickLabel(const QStringList& labels, const QString& text)
{
    if (const auto named = pickName(labels, text))
        return named;
    bool number = false;
    const int index = text.trimmed().toInt(&number);
    if (number && index >= 0 && index < labels.size())
        return index;
    return std::nullopt;
}

QString bitsText(uint8_t bits)
{
    QString text;
    for (int bit = 3; bit >= 0; --bit)
        text += (bits >> bit) & 1 ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

std::optional<uint8_t> parseBits(const QString& text)
{
    const QString t = text.trimmed();
    if (t.size() != 4)
        return std::nullopt;
    uint8_t bits = 0;
    for (QChar c : t) {
        if (c != QLatin1Char('0') && c != QLatin1Char('1'))
            return std::nullopt;
        bits = uint8_t((bits << 1) | (c == QLatin1Char('1') ? 1 : 0));
    }
    return bits;
}

int exitCodeFor(ReadBackOutcome outcome)
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

void requireRead(ReadBackOutcome outcome, CtlLink& link, CtlMessages& messages, int unshown)
{
    // A refused read is never a value, even where the panel goes on with the last one.
    std::vector<VcpReadFailure> failed = link.state().failedReads();
    link.state().clearFailedReads();
    for (const VcpReadFailure& failure : failed)
        if (failure.code != unshown)
            fail(kExitNoAnswer, messages.linkName() + QStringLiteral(": ") + refusedRead(link.state(), failure));
    const int code = exitCodeFor(outcome);
    if (code == kExitOk)
        return;
    if (outcome == ReadBackOutcome::NoReply) {
        const QString what = QStringLiteral("request %1").arg(link.state().lastReadRequest().command);
        messages.failWith(code, QString(), missingReply(link.state(), what) + QStringLiteral(" (%1)"));
    }
    const QString format = code == kExitNoAnswer ? QStringLiteral("the device did not answer (%1)") : QStringLiteral("%1");
    messages.failWith(code, QStringLiteral("the read-back failed"), format);
}

int32_t readModel(CtlLink& link, CtlMessages& messages)
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

Snapshot readSnapshot(CtlLink& link, CtlMessages& messages, int32_t model)
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

namespace {

QString nameOf(const QStringList& names, int index)
{
    return index >= 0 && index < names.size() ? names[index] : QString::number(index);
}

QString labelOf(const QStringList& labels, int index)
{
    return index >= 0 && index < labels.size() ? labels[index] : QString();
}

QString percent(int32_t tenths)
{
    return QString::number(tenths / 10.0, 'f', 1);
}

}  // namespace

// The sizes as ZEPTA.ini holds them: a float's digits, not its binary tail.
QJsonObject sizesJson(const DisplayState& d)
{
    const std::array<double, 4> mm = sizesOf(d);
    return QJsonObject{{"bezelWidth", mm[0]}, {"viewableWidth", mm[1]}, {"bezelHeight", mm[2]}, {"viewableHeight", mm[3]}};
}

QString statusText(const Snapshot& s)
{
    QString out;
    const auto line = [&out](const char* key, const QString& value) {
        out += QStringLiteral("%1 %2\n").arg(QString::fromLatin1(key), -16).arg(value);
    };
    if (s.model >= 0)
        line("model", modelNames()[s.model]);
    line("input", nameOf(inputNames(), s.setting.inputSource));
    line("power", nameOf(powerNames(), s.setting.power));
    line("osd", nameOf(osdNames(), s.setting.osdLock));
    if (s.rotationKnown)
        line("rotation", nameOf(rotationNames(), s.setting.rotation));
    if (s.gpio) {
        line("gpi", bitsText(s.gpio->inputs));
        line("gpo", bitsText(s.gpio->outputs));
    }
    // The label and its number; the number alone where no label is known.
    const auto listed = [](const QString& label, int index) {
        return label.isEmpty() ? QString::number(index) : QStringLiteral("%1 (%2)").arg(label).arg(index);
    };
    line("resolution", listed(labelOf(resolutionLabels(), s.display.resolution), s.display.resolution));
    line("layout", listed(labelOf(displayModeLabels(s.model), s.display.displayMode), s.display.displayMode));
    line("mask", QStringLiteral("%1, H %2 %, V %3 %")
                     .arg(nameOf(maskNames(), s.display.maskMode), percent(s.display.hTenths),
                          percent(s.display.vTenths)));
    const std::array<double, 4> mm = sizesOf(s.display);
    const char* const sizeNames[] = {"bezel width", "viewable width", "bezel height", "viewable height"};
    for (size_t i = 0; i < mm.size(); ++i)
        line(sizeNames[i], QString::fromStdString(formatSizeExact(mm[i])).trimmed() + QStringLiteral(" mm"));
    return out;
}

QJsonObject statusJson(const Snapshot& s, const QString& linkName)
{
    const auto orNull = [](bool known, const QJsonValue& value) { return known ? value : QJsonValue(); };
    const QString layout = labelOf(displayModeLabels(s.model), s.display.displayMode);
    return QJsonObject{
        {"link", linkName},
        {"model", orNull(s.model >= 0, s.model >= 0 ? modelNames()[s.model] : QString())},
        {"input", nameOf(inputNames(), s.setting.inputSource)},
        {"power", nameOf(powerNames(), s.setting.power)},
        {"osd", nameOf(osdNames(), s.setting.osdLock)},
        {"rotation", orNull(s.rotationKnown, nameOf(rotationNames(), s.setting.rotation))},
        {"gpi", orNull(bool(s.gpio), s.gpio ? bitsText(s.gpio->inputs) : QString())},
        {"gpo", orNull(bool(s.gpio), s.gpio ? bitsText(s.gpio->outputs) : QString())},
        {"resolution", QJsonObject{{"index", s.display.resolution},
                                   {"label", labelOf(resolutionLabels(), s.display.resolution)}}},
        {"layout", QJsonObject{{"index", s.display.displayMode}, {"label", orNull(!layout.isEmpty(), layout)}}},
        {"mask", QJsonObject{{"on", s.display.maskMode == 1},
                             {"hTenths", s.display.hTenths},
                             {"vTenths", s.display.vTenths}}},
        {"sizes", sizesJson(s.display)},
    };
}

}  // namespace lumivex::ctl
