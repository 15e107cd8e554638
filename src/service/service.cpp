#include "service/service.h"

#include "control/service_names.h"

#include <QDBusMetaType>

namespace lumivex::service {

using namespace control;

namespace {

// On the owner's thread as it emits: the metrics take any thread.
void countAvailability(ControllerOwner& owner, ControllerMetrics& counted)
{
    if (owner.kept())
        counted.setLastReadback(owner.kept()->time);
    QObject::connect(&owner, &ControllerOwner::availabilityChanged, &owner, [&counted](bool up) { counted.setUp(up); },
                     Qt::DirectConnection);
    QObject::connect(&owner, &ControllerOwner::seen, &owner, [&counted](qint64 time, const QString&) { counted.setLastReadback(time); },
                     Qt::DirectConnection);
}

}  // namespace

Service::Service(const Inventory& inventory, const OwnerOptions& options, QDBusConnection bus, MetricsRegistry* metrics)
    : m_bus(std::move(bus))
{
    qRegisterMetaType<QDBusVariant>();  // ValueChanged carries one
    qDBusRegisterMetaType<ControllerRow>();
    qDBusRegisterMetaType<QList<ControllerRow>>();
    std::vector<ControllerRow> rows;
    m_held.reserve(inventory.controllers.size());
    for (const InventoryEntry& entry : inventory.controllers) {
        Held held;
        ControllerMetrics* counted = metrics ? &metrics->add(entry.name, entry.link) : nullptr;
        OwnerOptions own = options;
        own.observer = counted;
        held.owner = std::make_unique<ControllerOwner>(entry, own, m_bus);
        if (counted)
            countAvailability(*held.owner, *counted);
        held.object = std::make_unique<ControllerObject>(*held.owner);
        held.thread = std::make_unique<QThread>();
        held.thread->setObjectName(entry.name);  // the thread's name, as /proc shows it
        held.owner->moveToThread(held.thread.get());
        held.thread->start();
        rows.push_back({entry.name, entry.link, held.object->kind(), QDBusObjectPath(controllerObjectPath(entry.name))});
        m_held.push_back(std::move(held));
    }
    m_manager = std::make_unique<ManagerObject>(std::move(rows));
}

Service::~Service()
{
    stop();
}

bool Service::publish(QString& why)
{
    constexpr auto exported = QDBusConnection::ExportScriptableContents | QDBusConnection::ExportAllProperties;
    if (!m_bus.registerObject(QString::fromLatin1(kManagerPath), m_manager.get(), exported)) {
        why = QStringLiteral("cannot put %1 on the bus").arg(QLatin1String(kManagerPath));
        return false;
    }
    for (Held& held : m_held) {
        const QString path = controllerObjectPath(held.owner->entry().name);
        if (!m_bus.registerObject(path, held.object.get(), exported)) {
            why = QStringLiteral("cannot put %1 on the bus").arg(path);
            return false;
        }
    }
    return true;
}

void Service::start()
{
    for (Held& held : m_held) {
        ControllerOwner* owner = held.owner.get();
        owner->post([owner] { owner->start(); });
    }
}

std::vector<ControllerOwner*> Service::owners() const
{
    std::vector<ControllerOwner*> out;
    for (const Held& held : m_held)
        out.push_back(held.owner.get());
    return out;
}

void Service::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_bus.unregisterObject(QString::fromLatin1(kManagerPath));
    for (Held& held : m_held) {
        m_bus.unregisterObject(controllerObjectPath(held.owner->entry().name));
        ControllerOwner* owner = held.owner.get();
        // Every owner closes at once; each after its job under way.
        owner->post([owner] {
            owner->stop();
            QThread::currentThread()->quit();
        });
    }
    for (Held& held : m_held)
        held.thread->wait();
    for (Held& held : m_held) {
        held.object.reset();
        held.owner.reset();
    }
}

}  // namespace lumivex::service
