#pragma once
// Whether lumivexd runs on the chosen bus, the controllers it holds, and
// which of them a link names: the same device (COM names through the
// COM-port map, then the device's real path), the same network address
// (host, any case, and port) or the same DDC/CI monitor.

#include "control/controller_link.h"
#include "link/service/service_fault.h"

#include <QDBusConnection>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumivex::service_link {

class ServiceController;

// One entry of ListControllers.
struct HeldController {
    QString name;
    QString link;  // as the inventory writes it
    QString kind;  // "serial" or "ddc"
    QString objectPath;

    bool isDdc() const { return kind == QLatin1String("ddc"); }
};

// The system bus, or the session bus when "session" is given or, with
// nothing given, LUMIVEX_BUS=session.
QDBusConnection chosenBus(const QString& given = {});

// The device a serial link opens, as its real path ("COM1" through the
// COM-port map); empty for a network or DDC/CI link.
QString devicePathOf(const QString& link);
// Which of controllers the target reaches; devicePath is devicePathOf
// unless a test gives its own.
std::optional<size_t> matchHeld(const std::vector<HeldController>& controllers, const control::LinkTarget& target,
                                const std::function<QString(const QString&)>& devicePath = devicePathOf);

class ServiceDirectory {
public:
    ServiceDirectory(QDBusConnection bus, ServiceErrorPolicy policy);

    // Whether org.lumivex.Lumivex1 has an owner on the bus.
    bool isUp();
    // ListControllers, asked once; none when the service is not up or the
    // call failed (the policy was told).
    const std::vector<HeldController>& controllers();
    std::optional<HeldController> byName(const QString& name);
    std::optional<HeldController> resolve(const control::LinkTarget& target);
    // Asks again at the next call: after the service restarted, or to list
    // what it holds now.
    void refresh();
    // The controller's object, its failures told to this directory's policy.
    std::shared_ptr<ServiceController> controller(const HeldController& held) const;

    const QDBusConnection& bus() const { return m_bus; }
    // How long ListControllers and the owner check may take.
    static constexpr std::chrono::milliseconds kCallTimeout{3000};

private:
    QDBusConnection m_bus;
    ServiceErrorPolicy m_policy;
    std::optional<bool> m_up;
    std::optional<std::vector<HeldController>> m_controllers;
};

}  // namespace lumivex::service_link
