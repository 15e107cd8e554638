#pragma once
// lumivexd as a whole: an owner, a thread and an object for each controller
// of the inventory, and the manager object.

#include "control/inventory.h"
#include "service/bus_objects.h"
#include "service/controller_owner.h"
#include "service/metrics/metrics_registry.h"

#include <QDBusConnection>
#include <QThread>

#include <memory>
#include <vector>

namespace lumivex::service {

class Service {
public:
    // metrics: counts each controller's exchanges, availability and
    // sightings; none: nothing counted. It outlives the service.
    Service(const control::Inventory& inventory, const OwnerOptions& options, QDBusConnection bus,
            MetricsRegistry* metrics = nullptr);
    // stop() if not yet done.
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    // Puts the objects on the bus; false with why when one cannot be.
    bool publish(QString& why);
    // Each owner begins opening its link.
    void start();
    // Each owner closes its link after the job under way; the threads end.
    void stop();
    // The owners, in the inventory's order (for the bridge; until stop()).
    std::vector<ControllerOwner*> owners() const;

private:
    struct Held {
        std::unique_ptr<QThread> thread;
        std::unique_ptr<ControllerOwner> owner;
        std::unique_ptr<ControllerObject> object;
    };
    QDBusConnection m_bus;
    std::vector<Held> m_held;
    std::unique_ptr<ManagerObject> m_manager;
    bool m_stopped = false;
};

}  // namespace lumivex::service
