#pragma once
// One controller's writes from MQTT, paced: at most one write per write key
// every interval. A write to a key idle for an interval goes at once; later
// ones within the interval wait and the last value wins (merged bit by bit
// for the GPO outputs, field by field for the mask). At most 64 commands
// wait; one more is refused. Driven by the caller's clock in milliseconds.

#include "service/mqtt/commands.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace lumivex::service::mqtt {

// A write due to go: what the commands merged into it ask.
struct PendingWrite {
    WriteRequest request;
    QList<QByteArray> commands;  // the /set payloads merged into it, oldest first
    qint64 dueMs = 0;
};

struct Verdict {
    bool accepted = false;
    QString why;  // refused: for the error topic
};

class WriteCoalescer {
public:
    static constexpr int kMaxWaitingCommands = 64;

    explicit WriteCoalescer(qint64 intervalMs);

    // All of a command's writes, or none of them.
    Verdict accept(const std::vector<WriteRequest>& writes, const QByteArray& command, qint64 nowMs);
    // The writes whose time has come, oldest due first; each key's interval
    // starts again now.
    std::vector<PendingWrite> due(qint64 nowMs);
    // When the next write is due; nullopt with none waiting.
    std::optional<qint64> nextDueMs() const;
    // Commands with a write not yet handed out by due().
    int waitingCommands() const { return int(m_waiting.size()); }
    // Everything waiting dropped (the controller went away): the commands.
    QList<QByteArray> clear();

private:
    struct Slot {
        PendingWrite write;
        QList<quint64> ids;  // the commands merged in
        quint64 order = 0;   // of its first write, for the order writes go in
    };

    qint64 m_intervalMs;
    quint64 m_nextId = 1;
    quint64 m_nextOrder = 1;
    std::map<WriteKey, Slot> m_pending;
    std::map<WriteKey, qint64> m_lastSentMs;
    struct Waiting {
        int writes = 0;  // still pending
        QByteArray command;
    };
    std::map<quint64, Waiting> m_waiting;  // by command
};

// What the owner's thread runs for a due write, given the controller's last
// status (lumivex-ctl status --json keys) to fill what the commands left
// out: the mask's other side and its on/off state, the GPO bits not named.
struct WriteCall {
    enum class Kind {
        Set,           // service::setSetting(session, setting, value, verify)
        Identify,      // control::identify(session, verify)
        AutoAdjust,    // control::autoAdjust(session)
        FactoryReset,  // control::factoryReset(session, verify), the press being the confirmation
        Refused,       // nothing goes: why, for the error topic
    };
    Kind kind = Kind::Refused;
    QString setting;
    QString value;
    QString why;
};
WriteCall writeCall(const PendingWrite& write, const QJsonObject& lastStatus);

}  // namespace lumivex::service::mqtt
