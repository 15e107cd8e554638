#pragma once
// A /set payload read into the writes it asks of one controller: a JSON
// object of settings, each value as lumivex-ctl set takes it, checked with
// the words Set uses and against what the model and the link offer, so a
// refused command never reaches the device.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace lumivex::service::mqtt {

// One write of the device: one VCP write or one serial frame. The four GPO
// bits are one write, so are the mask's on, H and V.
enum class WriteKey { Power, Input, Osd, Rotation, Gpo, Resolution, Layout, Mask, Identify, AutoAdjust, FactoryReset };

// The key's name as the /set JSON and the Set setting call it.
QString writeKeyName(WriteKey key);

// Some of the GPO bits: GPO-1 in bit 0; given says which bits are meant.
struct GpoFields {
    uint8_t bits = 0;
    uint8_t given = 0;
};

// Some of the mask's fields; sizes, when set, is a whole "on --bezel W,H
// --viewable W,H" that Set works out on the device's model.
struct MaskFields {
    std::optional<bool> on;
    std::optional<int32_t> hTenths;
    std::optional<int32_t> vTenths;
    QString sizes;
};

struct WriteRequest {
    WriteKey key = WriteKey::Power;
    QString value;  // input, power, osd, rotation, resolution, layout: the word Set takes
    GpoFields gpo;
    MaskFields mask;
};

// What the command is checked against: the controller as last read. The
// control library refuses nothing by link (a rotation set over DDC/CI goes
// out, unread), so the model alone decides.
struct CommandContext {
    int32_t model = -1;  // 0 K410, 1 K420, -1 unknown (a layout is then refused)
};

// The writes in the order they go (power on first, power off last), or why not.
struct ParsedCommand {
    std::vector<WriteRequest> writes;
    QString error;
};

inline constexpr qsizetype kMaxCommandBytes = 4096;

// The keys a /set object takes, in the order the writes go.
const QStringList& commandKeys();

ParsedCommand parseCommand(const QByteArray& payload, const CommandContext& context);

// {"error": error, "command": the received text}, compact.
QByteArray errorPayload(const QString& error, const QByteArray& command);

}  // namespace lumivex::service::mqtt
