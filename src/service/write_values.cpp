#include "service/write_values.h"

#include "control/value_names.h"
#include "link/protocol.h"
#include "link/receive_buffer.h"
#include "link/replies.h"
#include "link/serial_frame.h"
#include "panel/display_rules.h"

#include <QVariantMap>

namespace lumivex::service {

using namespace control;
namespace p = protocol;

namespace {

QString nameOf(const QStringList& names, int index)
{
    return index >= 0 && index < names.size() ? names[index] : QString::number(index);
}

QVariantMap listed(const QStringList& labels, int index)
{
    QVariantMap map{{QStringLiteral("index"), index}};
    if (index >= 0 && index < labels.size())
        map.insert(QStringLiteral("label"), labels[index]);
    return map;
}

QVariant resolution(int index)
{
    // Status gives an empty label for an index the list does not have.
    QVariantMap map = listed(resolutionLabels(), index);
    if (!map.contains(QStringLiteral("label")))
        map.insert(QStringLiteral("label"), QString());
    return map;
}

QVariant mask(const p::MaskValue& m)
{
    return QVariantMap{{QStringLiteral("on"), m.on}, {QStringLiteral("hTenths"), m.hTenths}, {QStringLiteral("vTenths"), m.vTenths}};
}

WrittenValues osdMode(int mode)
{
    switch (p::OsdMode(mode)) {
    case p::OsdMode::Unlock:
    case p::OsdMode::Lock:
        return {{QStringLiteral("osd"), nameOf(osdNames(), mode)}};
    case p::OsdMode::Normal:
    case p::OsdMode::Rotate:
        return {{QStringLiteral("rotation"), nameOf(rotationNames(), mode - int(p::OsdMode::Normal))}};
    case p::OsdMode::Identify:
        break;
    }
    return {};
}

}  // namespace

WrittenValues vcpWriteValues(uint8_t code, uint32_t value, int32_t model)
{
    switch (code) {
    case p::kVcpInputSource:
        return {{QStringLiteral("input"), nameOf(inputNames(), int(value))}};
    case p::kVcpPower:
        if (const auto power = p::decodePower(int32_t(value)))
            return {{QStringLiteral("power"), nameOf(powerNames(), int(*power))}};
        return {};
    case p::kVcpOsdMode:
        return osdMode(int(value));
    case p::kVcpGpio:
        return {{QStringLiteral("gpo"), bitsText(p::decodeGpioVcp(value).outputs)}};
    case p::kVcpResolution:
        return {{QStringLiteral("resolution"), resolution(int(value))}};
    case p::kVcpDisplayMode:
        return {{QStringLiteral("layout"), listed(displayModeLabels(model), int(value))}};
    case p::kVcpBezelMask:
        return {{QStringLiteral("mask"), mask(p::decodeMaskVcp(value))}};
    default:
        return {};
    }
}

WrittenValues frameWriteValues(std::span<const uint8_t> frame, int32_t model)
{
    // A whole frame only: its length byte, and bytes that sum to zero.
    if (frame.size() < 4 || frame[0] != frame.size() || frameChecksum(frame.first(frame.size() - 1)) != frame.back())
        return {};
    const std::span<const uint8_t> v = frame.subspan(2, frame.size() - 3);
    switch (frame[1]) {
    case p::kCmdInputSource:
        return {{QStringLiteral("input"), nameOf(inputNames(), v[0])}};
    case p::kCmdPower:
        return {{QStringLiteral("power"), nameOf(powerNames(), v[0])}};
    case p::kCmdOsdMode:
        return osdMode(v[0]);
    case p::kCmdGpo:
        return {{QStringLiteral("gpo"), bitsText(v[0] & p::kGpioBits)}};
    case p::kCmdWallMode:
        if (v.size() < 2)
            return {};
        return {{QStringLiteral("resolution"), resolution(v[0])},
                {QStringLiteral("layout"), listed(displayModeLabels(model), v[1])}};
    case p::kCmdBezelMask:
        if (v.size() < 4)
            return {};
        return {{QStringLiteral("mask"), mask({v[1], v[2], v[3] != 0})}};
    default:
        return {};
    }
}

bool wholeReplyTo(std::span<const uint8_t> request, std::span<const uint8_t> got)
{
    if (request.size() < 2)
        return true;
    for (const ReadRequest& known : {requests::kSettings, requests::kDisplay, requests::kModel}) {
        if (request[1] != known.command)
            continue;
        ReceiveBuffer seen;
        seen.append(got);
        return seen.scanForReply(known.replyLength, known.command).position.has_value();
    }
    return true;
}

}  // namespace lumivex::service
