#include "panel/service_entries.h"

#include "control/service_names.h"
#include "link/link_state.h"
#include "link/service/bus_presence.h"
#include "link/service/service_byte_port.h"
#include "link/service/service_controller.h"
#include "link/service/service_ddc_api.h"
#include "link/service/service_directory.h"
#include "panel/held_link.h"
#include "platform/message_service.h"

#include <QDBusServiceWatcher>

#include <cstdio>
#include <memory>

namespace lumivex {

using service_link::ServiceFault;

QStringList heldControllerNames()
{
    if (!service_link::busMayBePresent(control::useSessionBus({})))
        return {};
    service_link::ServiceDirectory directory(service_link::chosenBus(), [](ServiceFault, const QString& line) {
        std::fprintf(stderr, "lumivex: %s\n", qPrintable(line));
    });
    QStringList names;
    for (const service_link::HeldController& held : directory.controllers())
        names << held.name;
    return names;
}

LoadResult loadHeldController(LinkState& link, MessageService& messages, DdcRoute& route, const QString& name,
                              QString* problem)
{
    // The link's later calls tell the same service from the same worker;
    // the lines told while loading are kept for the log as well.
    struct Told {
        bool loading = true;
        QString last;
    };
    const auto told = std::make_shared<Told>();
    const service_link::ServiceErrorPolicy tell = [&messages, told](ServiceFault, const QString& line) {
        if (told->loading)
            told->last = line;
        messages.info(line);
    };
    const auto finish = [&](LoadResult result) {
        told->loading = false;
        if (problem)
            *problem = told->last;
        return result;
    };
    service_link::ServiceDirectory directory(service_link::chosenBus(), tell);
    if (!directory.isUp()) {
        tell(ServiceFault::NoAnswer, QStringLiteral("lumivexd is not running: controller %1 cannot be loaded").arg(name));
        return finish(LoadResult::Failed);
    }
    const std::optional<service_link::HeldController> held = directory.byName(name);
    if (!held) {
        // A failed listing has been told already.
        if (told->last.isEmpty())
            tell(ServiceFault::ServiceError, QStringLiteral("lumivexd holds no controller %1").arg(name));
        return finish(LoadResult::Failed);
    }
    const std::shared_ptr<service_link::ServiceController> controller = directory.controller(*held);
    const std::optional<QVariant> available = controller->property(QStringLiteral("Available"), link.replyWait());
    if (!available)
        return finish(LoadResult::Failed);
    if (!available->toBool()) {
        tell(ServiceFault::Unavailable,
             QStringLiteral("lumivexd: controller %1 is not available now; the service keeps reconnecting").arg(name));
        return finish(LoadResult::Failed);
    }
    if (held->isDdc())
        return finish(loadHeldDdc(link, messages, route, name,
                                  std::make_unique<service_link::ServiceDdcApi>(controller, link.replyWait())));
    return finish(loadHeldSerial(link, messages, name, std::make_unique<service_link::ServiceBytePort>(controller)));
}

HeldControllerWatch::HeldControllerWatch(QObject* parent)
    : QObject(parent)
{
    if (!service_link::busMayBePresent(control::useSessionBus({})))
        return;
    m_watcher = new QDBusServiceWatcher(QLatin1String(control::kServiceName), service_link::chosenBus(),
                                        QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &HeldControllerWatch::changed);
}

}  // namespace lumivex
