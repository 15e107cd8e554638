#include "link/service/service_controller.h"

#include "control/service_names.h"

#include <QDBusMessage>
#include <QDBusVariant>

#include <algorithm>

namespace lumivex::service_link {

namespace {

QString seconds(std::chrono::milliseconds wait)
{
    return QString::number(double(wait.count()) / 1000.0, 'g', 3);
}

}  // namespace

ServiceController::ServiceController(QDBusConnection bus, QString name, QString objectPath, ServiceErrorPolicy policy)
    : m_bus(std::move(bus))
    , m_name(std::move(name))
    , m_path(std::move(objectPath))
    , m_policy(std::move(policy))
{
}

std::optional<std::vector<uint8_t>> ServiceController::exchange(std::span<const uint8_t> request,
                                                                std::chrono::milliseconds wait)
{
    const QByteArray bytes(reinterpret_cast<const char*>(request.data()), qsizetype(request.size()));
    const auto args = call(QLatin1String(control::kControllerInterface), QStringLiteral("Exchange"),
                           {QVariant::fromValue(bytes), QVariant::fromValue(uint(wait.count()))}, wait + kCallSlack);
    if (!args)
        return std::nullopt;
    const QByteArray reply = args->value(0).toByteArray();
    return std::vector<uint8_t>(reply.begin(), reply.end());
}

std::optional<VcpReading> ServiceController::getVcp(uint8_t code, std::chrono::milliseconds replyWait)
{
    const auto args = call(QLatin1String(control::kControllerInterface), QStringLiteral("GetVcp"),
                           {QVariant::fromValue(uchar(code))}, replyWait + kCallSlack);
    if (!args)
        return std::nullopt;
    if (args->size() < 3) {
        if (m_policy)
            m_policy(ServiceFault::ServiceError,
                     QStringLiteral("lumivexd answered GetVcp for controller %1 with %2 values, not 3")
                         .arg(m_name)
                         .arg(args->size()));
        return std::nullopt;
    }
    return VcpReading{int32_t(args->at(0).toInt()), args->at(1).toUInt(), args->at(2).toUInt()};
}

std::optional<int32_t> ServiceController::setVcp(uint8_t code, uint32_t value, std::chrono::milliseconds replyWait)
{
    const auto args = call(QLatin1String(control::kControllerInterface), QStringLiteral("SetVcp"),
                           {QVariant::fromValue(uchar(code)), QVariant::fromValue(uint(value))}, replyWait + kCallSlack);
    if (!args)
        return std::nullopt;
    return int32_t(args->value(0).toInt());
}

std::optional<QVariant> ServiceController::property(const QString& property, std::chrono::milliseconds replyWait)
{
    const auto args = call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                           {QLatin1String(control::kControllerInterface), property}, replyWait + kCallSlack);
    if (!args)
        return std::nullopt;
    return args->value(0).value<QDBusVariant>().variant();
}

std::optional<QList<QVariant>> ServiceController::call(const QString& interface, const QString& method,
                                                       const QList<QVariant>& arguments, std::chrono::milliseconds timeout)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(QLatin1String(control::kServiceName), m_path, interface, method);
    message.setArguments(arguments);
    const auto started = std::chrono::steady_clock::now();
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, int(std::min<long long>(timeout.count(), INT32_MAX)));
    if (reply.type() == QDBusMessage::ReplyMessage)
        return reply.arguments();
    // A reply the bus made up at the time-out reads as the service's silence;
    // its timer may fire a little early, so the last tenth counts as well.
    const bool timedOut = reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply")
                       && std::chrono::steady_clock::now() - started >= timeout - timeout / 10;
    const ServiceFault kind = timedOut ? ServiceFault::NoAnswer : faultOfError(reply.errorName());
    if (m_policy)
        m_policy(kind, failureLine(method, reply, timeout, timedOut));
    return std::nullopt;
}

QString ServiceController::failureLine(const QString& method, const QDBusMessage& reply,
                                       std::chrono::milliseconds timeout, bool timedOut) const
{
    if (!m_bus.isConnected())
        return QStringLiteral("lumivexd cannot be reached for controller %1: the bus is not connected").arg(m_name);
    if (timedOut)
        return QStringLiteral("lumivexd did not answer %1 for controller %2 within %3 s")
            .arg(method, m_name, seconds(timeout));
    // The service names the controller first; the lines below name it already.
    QString message = reply.errorMessage().section(QLatin1Char('\n'), 0, 0);
    if (message.startsWith(m_name + QLatin1String(": ")))
        message.remove(0, m_name.size() + 2);
    switch (faultOfError(reply.errorName())) {
    case ServiceFault::Denied:
        if (reply.errorName().startsWith(QLatin1String("org.freedesktop.DBus.")))
            return QStringLiteral("the bus policy refused %1 on lumivexd for controller %2 (this user may only read)")
                .arg(method, m_name);
        return QStringLiteral("lumivexd refused %1 for controller %2: %3").arg(method, m_name, message);
    case ServiceFault::NoAnswer:
        if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
            || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
            return QStringLiteral("lumivexd is not running: controller %1 cannot be reached through it").arg(m_name);
        if (reply.errorName().startsWith(QLatin1String(control::kErrorPrefix)))
            return QStringLiteral("lumivexd: controller %1: %2").arg(m_name, message);
        return QStringLiteral("lumivexd gave no answer to %1 for controller %2: %3").arg(method, m_name, message);
    case ServiceFault::Unavailable:
        return QStringLiteral("lumivexd: controller %1 is not available now: %2").arg(m_name, message);
    case ServiceFault::ServiceError:
        break;
    }
    return QStringLiteral("lumivexd: %1 for controller %2 failed: %3 (%4)").arg(method, m_name, message, reply.errorName());
}

}  // namespace lumivex::service_link
