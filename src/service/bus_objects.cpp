#include "service/bus_objects.h"

#include "control/service_names.h"
#include "link/channel_rules.h"
#include "service/caller_rights.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>

namespace lumivex::service {

using namespace control;

namespace {

// The longest a client may ask an exchange to wait, and the longest request.
constexpr uint kLongestExchangeWait = 10000;
constexpr qsizetype kLongestRequest = 256;

}  // namespace

ControllerObject::ControllerObject(ControllerOwner& owner)
    : m_owner(owner)
{
    if (const auto& kept = owner.kept()) {
        m_lastSeen = kept->time;
        m_model = kept->status.value(QStringLiteral("model")).toString();
    }
    // Queued: the owner tells from its own thread.
    connect(&owner, &ControllerOwner::availabilityChanged, this, [this](bool available) {
        if (available == m_available)
            return;
        m_available = available;
        emit AvailabilityChanged(available);
    });
    connect(&owner, &ControllerOwner::seen, this, [this](qint64 time, const QString& model) {
        m_lastSeen = time;
        m_model = model;
    });
    connect(&owner, &ControllerOwner::valueChanged, this,
            [this](const QString& setting, const QVariant& value, const QString& client) {
                emit ValueChanged(setting, QDBusVariant(value), client);
            });
}

QString ControllerObject::kind() const
{
    return m_owner.isDdc() ? QStringLiteral("ddc") : QStringLiteral("serial");
}

void ControllerObject::queue(std::function<void(ControllerOwner&, const QDBusMessage&)> job)
{
    setDelayedReply(true);
    ControllerOwner& owner = m_owner;
    owner.post([&owner, job = std::move(job), call = message()] { job(owner, call); });
}

bool ControllerObject::refuse(bool wrong, const QString& why)
{
    if (wrong)
        sendErrorReply(QString::fromLatin1(kErrorPrefix) + QLatin1String(service_errors::kBadRequest),
                       QStringLiteral("%1: %2").arg(name(), why));
    return wrong;
}

bool ControllerObject::callerMayChange() const
{
    const QDBusReply<uint> uid = connection().interface()->serviceUid(message().service());
    return uid.isValid() && mayChange(uid_t(uid.value()));
}

QVariantMap ControllerObject::Status()
{
    queue([](ControllerOwner& o, const QDBusMessage& call) { o.status(call); });
    return {};
}

void ControllerObject::Set(const QString& setting, const QString& value, uint flags)
{
    if (refuse(flags & ~kSetNoVerify, QStringLiteral("Set takes flags 0 or %1, not %2").arg(kSetNoVerify).arg(flags)))
        return;
    queue([setting, value, flags](ControllerOwner& o, const QDBusMessage& call) { o.set(call, setting, value, flags); });
}

QStringList ControllerObject::Apply(const QString& setup)
{
    queue([setup](ControllerOwner& o, const QDBusMessage& call) { o.apply(call, setup); });
    return {};
}

QString ControllerObject::Save()
{
    queue([](ControllerOwner& o, const QDBusMessage& call) { o.save(call); });
    return {};
}

QByteArray ControllerObject::Exchange(const QByteArray& request, uint waitMs)
{
    if (refuse(m_owner.isDdc(), QStringLiteral("a DDC/CI controller takes GetVcp and SetVcp, not Exchange"))
        || refuse(waitMs > kLongestExchangeWait,
                  QStringLiteral("Exchange waits at most %1 ms, not %2").arg(kLongestExchangeWait).arg(waitMs))
        || refuse(request.size() > kLongestRequest,
                  QStringLiteral("a request is at most %1 bytes, not %2").arg(kLongestRequest).arg(request.size())))
        return {};
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(request.constData()), size_t(request.size()));
    if (!readRequestOf(bytes) && !callerMayChange()) {
        sendErrorReply(QString::fromLatin1(kErrorPrefix) + QLatin1String(service_errors::kAccessDenied),
                       QStringLiteral("%1: only root and the group %2 may change a controller; this frame is no read request")
                           .arg(name(), QLatin1String(kChangingGroup)));
        return {};
    }
    queue([request, waitMs](ControllerOwner& o, const QDBusMessage& call) { o.exchange(call, request, waitMs); });
    return {};
}

int ControllerObject::GetVcp(uchar code, uint& current, uint& maximum)
{
    current = maximum = 0;
    if (refuse(!m_owner.isDdc(), QStringLiteral("a serial controller takes Exchange, not GetVcp")))
        return 0;
    queue([code](ControllerOwner& o, const QDBusMessage& call) { o.getVcp(call, code); });
    return 0;
}

int ControllerObject::SetVcp(uchar code, uint value)
{
    if (refuse(!m_owner.isDdc(), QStringLiteral("a serial controller takes Exchange, not SetVcp")))
        return 0;
    queue([code, value](ControllerOwner& o, const QDBusMessage& call) { o.setVcp(call, code, value); });
    return 0;
}

QList<ControllerRow> ManagerObject::ListControllers() const
{
    return QList<ControllerRow>(m_rows.begin(), m_rows.end());
}

QDBusArgument& operator<<(QDBusArgument& out, const ControllerRow& row)
{
    out.beginStructure();
    out << row.name << row.link << row.kind << row.path;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, ControllerRow& row)
{
    in.beginStructure();
    in >> row.name >> row.link >> row.kind >> row.path;
    in.endStructure();
    return in;
}

}  // namespace lumivex::service
