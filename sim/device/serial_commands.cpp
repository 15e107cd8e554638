// How the controller answers serial frames. Every setting command is the
// VCP write with the same meaning, so both links change the same state.

#include "sim/device/device_model.h"
#include "sim/device/serial_protocol.h"

#include <array>

namespace lumivex::device {

namespace {

using Values = std::span<const uint8_t>;
using Reply = std::vector<uint8_t>;

// Appends length, command, the values and the balancing checksum.
void appendReply(Reply& reply, uint8_t command, std::initializer_list<uint8_t> values)
{
    const size_t start = reply.size();
    reply.push_back(static_cast<uint8_t>(values.size() + 3));
    reply.push_back(command);
    reply.insert(reply.end(), values);
    reply.push_back(balancingChecksum(Values(reply).subspan(start)));
}

FrameOutcome applied(bool accepted)
{
    return accepted ? FrameOutcome::Applied : FrameOutcome::Refused;
}

FrameOutcome maintenance(DeviceModel& model, Values v, Reply&)
{
    if (v[0] == 1)
        return applied(model.writeVcp(vcp::kFactoryReset, 1));
    if (v[0] == 0)
        return applied(model.writeVcp(vcp::kAutoAdjust, 1));
    return FrameOutcome::Refused;
}

FrameOutcome osdMode(DeviceModel& model, Values v, Reply&)
{
    return applied(model.writeVcp(vcp::kOsdMode, v[0]));
}

FrameOutcome identify(DeviceModel& model, Values v, Reply&)
{
    if (v[0] != serial::kIdentifyValue || v[1] != 0)
        return FrameOutcome::Refused;
    return applied(model.writeVcp(vcp::kIdentify, 0));
}

FrameOutcome readDisplay(DeviceModel& model, Values, Reply& reply)
{
    const DeviceState& s = model.state();
    appendReply(reply, serial::kReadDisplay,
                {s.resolution, s.displayMode, s.maskH, s.maskV, uint8_t(s.maskOn ? 1 : 0)});
    return FrameOutcome::Answered;
}

FrameOutcome readSettings(DeviceModel& model, Values, Reply& reply)
{
    // Power reads 1 on and 0 off here: the panel takes this byte as its
    // power index without mapping it.
    const DeviceState& s = model.state();
    appendReply(reply, serial::kReadSettings,
                {s.inputSource, uint8_t(s.powerOn ? 1 : 0), s.osdLock, s.rotation, uint8_t(s.gpiBits & 0x0F),
                 uint8_t(s.gpoBits & 0x0F)});
    return FrameOutcome::Answered;
}

FrameOutcome gpo(DeviceModel& model, Values v, Reply&)
{
    return applied(model.writeVcp(vcp::kGpio, v[0]));
}

FrameOutcome bezelMask(DeviceModel& model, Values v, Reply&)
{
    // v[0] names the layout the mask is meant for; the controller masks
    // whatever layout it shows, so only H, V and on/off are kept.
    if (v[3] > 1)
        return FrameOutcome::Refused;
    model.setBezelMask(v[1], v[2], v[3] == 1);
    return FrameOutcome::Applied;
}

FrameOutcome resolutionAndMode(DeviceModel& model, Values v, Reply&)
{
    return applied(model.setResolutionAndMode(v[0], v[1]));
}

FrameOutcome readModel(DeviceModel& model, Values, Reply& reply)
{
    appendReply(reply, serial::kReadModel, {uint8_t(model.model() == Model::K420 ? 1 : 0)});
    return FrameOutcome::Answered;
}

FrameOutcome inputSource(DeviceModel& model, Values v, Reply&)
{
    return applied(model.writeVcp(vcp::kInputSource, v[0]));
}

FrameOutcome power(DeviceModel& model, Values v, Reply&)
{
    return applied(model.writeVcp(vcp::kPower, v[0]));
}

struct SerialRule {
    uint8_t command;
    uint8_t length;
    FrameOutcome (*handle)(DeviceModel&, Values, Reply&);
};

constexpr std::array kSerialRules{
    SerialRule{serial::kMaintenance, 4, maintenance},
    SerialRule{serial::kOsdMode, 4, osdMode},
    SerialRule{serial::kOsdMode, 5, identify},
    SerialRule{serial::kReadDisplay, 4, readDisplay},
    SerialRule{serial::kReadSettings, 4, readSettings},
    SerialRule{serial::kGpo, 4, gpo},
    SerialRule{serial::kBezelMask, 7, bezelMask},
    SerialRule{serial::kResolutionAndMode, 5, resolutionAndMode},
    SerialRule{serial::kReadModel, 4, readModel},
    SerialRule{serial::kInputSource, 4, inputSource},
    SerialRule{serial::kPower, 4, power},
};

}  // namespace

std::string_view frameOutcomeName(FrameOutcome outcome)
{
    switch (outcome) {
    case FrameOutcome::Applied: return "applied";
    case FrameOutcome::Answered: return "answered";
    case FrameOutcome::Refused: return "refused";
    case FrameOutcome::Unknown: return "unknown";
    case FrameOutcome::BadChecksum: return "bad checksum";
    }
    return "?";
}

FrameOutcome DeviceModel::handleFrame(std::span<const uint8_t> frame, std::vector<uint8_t>& reply)
{
    if (frame.size() < 4 || frame[0] != frame.size())
        return FrameOutcome::Unknown;
    if (balancingChecksum(frame) != 0)
        return FrameOutcome::BadChecksum;
    for (const SerialRule& rule : kSerialRules) {
        if (rule.command == frame[1] && rule.length == frame.size())
            return rule.handle(*this, frame.subspan(2, frame.size() - 3), reply);
    }
    return FrameOutcome::Unknown;
}

}  // namespace lumivex::device
