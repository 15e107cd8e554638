#include "service/mqtt/write_coalescer.h"

#include "control/value_names.h"

#include <QJsonValue>

#include <algorithm>
#include <bit>

namespace lumivex::service::mqtt {

namespace {

void merge(WriteRequest& into, const WriteRequest& later)
{
    switch (later.key) {
    case WriteKey::Gpo:
        into.gpo.bits = uint8_t((into.gpo.bits & ~later.gpo.given) | (later.gpo.bits & later.gpo.given));
        into.gpo.given |= later.gpo.given;
        return;
    case WriteKey::Mask:
        // A mask from sizes is worked out whole on the device: the later wins.
        if (!later.mask.sizes.isEmpty() || !into.mask.sizes.isEmpty()) {
            into.mask = later.mask;
            return;
        }
        if (later.mask.on)
            into.mask.on = later.mask.on;
        if (later.mask.hTenths)
            into.mask.hTenths = later.mask.hTenths;
        if (later.mask.vTenths)
            into.mask.vTenths = later.mask.vTenths;
        return;
    default:
        into.value = later.value;
        return;
    }
}

QString percentText(int32_t tenths)
{
    return QString::number(tenths / 10.0, 'f', 1);
}

WriteCall refused(const QString& why)
{
    return WriteCall{WriteCall::Kind::Refused, {}, {}, why};
}

WriteCall set(const QString& setting, const QString& value)
{
    return WriteCall{WriteCall::Kind::Set, setting, value, {}};
}

WriteCall gpoCall(const GpoFields& gpo, const QJsonObject& status)
{
    if (gpo.given == 0x0F)
        return set(QStringLiteral("gpo"), control::bitsText(gpo.bits));
    // One output: Set reads the others from the device itself.
    if (std::popcount(unsigned(gpo.given)) == 1) {
        const int output = std::countr_zero(unsigned(gpo.given)) + 1;
        return set(QStringLiteral("gpo"), QStringLiteral("%1=%2").arg(output).arg(control::powerNames()[gpo.bits & gpo.given ? 1 : 0]));
    }
    const std::optional<uint8_t> known = control::parseBits(status.value(QLatin1String("gpo")).toString());
    if (!known)
        return refused(QStringLiteral("the GPO outputs not named are not known yet: the controller's status has not been read"));
    return set(QStringLiteral("gpo"), control::bitsText(uint8_t((*known & ~gpo.given) | (gpo.bits & gpo.given))));
}

WriteCall maskCall(const MaskFields& mask, const QJsonObject& status)
{
    if (!mask.sizes.isEmpty())
        return set(QStringLiteral("mask"), mask.sizes);
    // Off alone keeps the sides the device has; on with both sides needs nothing either.
    if (mask.on == false && !mask.hTenths && !mask.vTenths)
        return set(QStringLiteral("mask"), QStringLiteral("off"));
    const QJsonObject now = status.value(QLatin1String("mask")).toObject();
    const bool needsStatus = !mask.on || !mask.hTenths || !mask.vTenths;
    if (needsStatus && !(now.value(QLatin1String("on")).isBool() && now.value(QLatin1String("hTenths")).isDouble()
                         && now.value(QLatin1String("vTenths")).isDouble()))
        return refused(QStringLiteral("the mask's other fields are not known yet: the controller's status has not been read"));
    const bool on = mask.on.value_or(now.value(QLatin1String("on")).toBool());
    const int32_t hNow = now.value(QLatin1String("hTenths")).toInt();
    const int32_t vNow = now.value(QLatin1String("vTenths")).toInt();
    const int32_t h = mask.hTenths.value_or(hNow);
    const int32_t v = mask.vTenths.value_or(vNow);
    if (!on) {
        // Off keeps the device's sides: a side given must be the one it has.
        if ((mask.hTenths && h != hNow) || (mask.vTenths && v != vNow))
            return refused(QStringLiteral("the mask is off, so its sides stay as they are; switch it on with them: "
                                          "{\"mask\": \"on\", \"mask_h\": %1, \"mask_v\": %2}")
                               .arg(percentText(h), percentText(v)));
        return set(QStringLiteral("mask"), QStringLiteral("off"));
    }
    return set(QStringLiteral("mask"), QStringLiteral("on --h %1 --v %2").arg(percentText(h), percentText(v)));
}

}  // namespace

WriteCoalescer::WriteCoalescer(qint64 intervalMs) : m_intervalMs(intervalMs) {}

Verdict WriteCoalescer::accept(const std::vector<WriteRequest>& writes, const QByteArray& command, qint64 nowMs)
{
    if (writes.empty())
        return {false, QStringLiteral("the command sets nothing")};
    if (waitingCommands() >= kMaxWaitingCommands)
        return {false, QStringLiteral("%1 commands already wait for this controller; this one is dropped")
                           .arg(kMaxWaitingCommands)};
    const quint64 id = m_nextId++;
    Waiting& waiting = m_waiting[id];
    waiting.command = command;
    for (const WriteRequest& write : writes) {
        auto slot = m_pending.find(write.key);
        if (slot == m_pending.end()) {
            const auto last = m_lastSentMs.find(write.key);
            const bool idle = last == m_lastSentMs.end() || nowMs - last->second >= m_intervalMs;
            Slot fresh;
            fresh.write.request = write;
            fresh.write.dueMs = idle ? nowMs : last->second + m_intervalMs;
            fresh.order = m_nextOrder++;
            slot = m_pending.emplace(write.key, fresh).first;
        } else {
            merge(slot->second.write.request, write);
        }
        Slot& s = slot->second;
        if (!s.ids.contains(id)) {
            s.ids.append(id);
            s.write.commands.append(command);
            ++waiting.writes;
        }
    }
    return {true, {}};
}

std::vector<PendingWrite> WriteCoalescer::due(qint64 nowMs)
{
    std::vector<const Slot*> ready;
    for (const auto& [key, slot] : m_pending)
        if (slot.write.dueMs <= nowMs)
            ready.push_back(&slot);
    std::sort(ready.begin(), ready.end(), [](const Slot* a, const Slot* b) {
        return a->write.dueMs != b->write.dueMs ? a->write.dueMs < b->write.dueMs : a->order < b->order;
    });
    std::vector<PendingWrite> writes;
    for (const Slot* slot : ready)
        writes.push_back(slot->write);
    for (const PendingWrite& write : writes) {
        const WriteKey key = write.request.key;
        for (const quint64 id : m_pending.at(key).ids) {
            const auto waiting = m_waiting.find(id);
            if (--waiting->second.writes == 0)
                m_waiting.erase(waiting);
        }
        m_pending.erase(key);
        m_lastSentMs[key] = nowMs;
    }
    return writes;
}

std::optional<qint64> WriteCoalescer::nextDueMs() const
{
    std::optional<qint64> next;
    for (const auto& [key, slot] : m_pending)
        if (!next || slot.write.dueMs < *next)
            next = slot.write.dueMs;
    return next;
}

QList<QByteArray> WriteCoalescer::clear()
{
    QList<QByteArray> dropped;
    for (const auto& [id, waiting] : m_waiting)
        dropped.append(waiting.command);
    m_waiting.clear();
    m_pending.clear();
    return dropped;
}

WriteCall writeCall(const PendingWrite& write, const QJsonObject& lastStatus)
{
    const WriteRequest& r = write.request;
    switch (r.key) {
    case WriteKey::Gpo:
        return gpoCall(r.gpo, lastStatus);
    case WriteKey::Mask:
        return maskCall(r.mask, lastStatus);
    case WriteKey::Identify:
        return WriteCall{WriteCall::Kind::Identify, {}, {}, {}};
    case WriteKey::AutoAdjust:
        return WriteCall{WriteCall::Kind::AutoAdjust, {}, {}, {}};
    case WriteKey::FactoryReset:
        return WriteCall{WriteCall::Kind::FactoryReset, {}, {}, {}};
    default:
        return set(writeKeyName(r.key), r.value);
    }
}

}  // namespace lumivex::service::mqtt
