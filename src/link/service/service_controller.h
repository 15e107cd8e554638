#pragma once
// One controller lumivexd holds, as its object on the bus: the calls the
// byte port and the DDC/CI api make. A failed call tells the policy and
// gives nothing.

#include "link/service/service_fault.h"

#include <QDBusConnection>
#include <QString>
#include <QVariant>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class QDBusMessage;

namespace lumivex::service_link {

// The slack a call gets over the wait it asks the service for.
inline constexpr std::chrono::milliseconds kCallSlack{1000};

struct VcpReading {
    int32_t status = 0;  // the DDC/CI library's, 0 = success
    uint32_t current = 0;
    uint32_t maximum = 0;
};

class ServiceController {
public:
    ServiceController(QDBusConnection bus, QString name, QString objectPath, ServiceErrorPolicy policy);

    const QString& name() const { return m_name; }
    const QString& objectPath() const { return m_path; }

    // Exchange(request, wait): what the controller sent within the wait.
    // The call waits wait + kCallSlack.
    std::optional<std::vector<uint8_t>> exchange(std::span<const uint8_t> request, std::chrono::milliseconds wait);
    // GetVcp / SetVcp; the call waits replyWait + kCallSlack.
    std::optional<VcpReading> getVcp(uint8_t code, std::chrono::milliseconds replyWait);
    std::optional<int32_t> setVcp(uint8_t code, uint32_t value, std::chrono::milliseconds replyWait);
    // A property of the controller's object ("Model", "Available", ...).
    std::optional<QVariant> property(const QString& property, std::chrono::milliseconds replyWait);

private:
    // The reply's arguments, or none when the call failed (the policy told).
    std::optional<QList<QVariant>> call(const QString& interface, const QString& method, const QList<QVariant>& arguments,
                                        std::chrono::milliseconds timeout);
    QString failureLine(const QString& method, const QDBusMessage& reply, std::chrono::milliseconds timeout,
                        bool timedOut) const;

    QDBusConnection m_bus;
    QString m_name;
    QString m_path;
    ServiceErrorPolicy m_policy;
};

}  // namespace lumivex::service_link
