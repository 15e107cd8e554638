#include "lumivex-ctl/service_access.h"

#include "control/outcome.h"
#include "control/service_names.h"
#include "link/service/bus_presence.h"
#include "link/service/service_byte_port.h"
#include "link/service/service_controller.h"
#include "link/service/service_ddc_api.h"
#include "link/service/service_directory.h"

#include <QCoreApplication>

namespace lumivex::ctl {

using namespace control;
using namespace service_link;

namespace {

// A failed call ends this link's run with the code its kind calls for.
void throwFailure(ServiceFault kind, const QString& line)
{
    switch (kind) {
    case ServiceFault::Denied:
        fail(kExitDenied, line);
    case ServiceFault::Unavailable:
        fail(kExitNoLink, line);
    case ServiceFault::NoAnswer:
    case ServiceFault::ServiceError:
        break;
    }
    fail(kExitNoAnswer, line);
}

}  // namespace

ServiceAccess::ServiceAccess() = default;

ServiceAccess::~ServiceAccess()
{
    // The bus connection goes before the application object it runs in.
    m_directory.reset();
    m_application.reset();
}

ServiceDirectory& ServiceAccess::directory()
{
    if (!m_directory) {
        if (!QCoreApplication::instance())
            m_application = std::make_unique<QCoreApplication>(m_argc, m_argv);
        m_directory = std::make_unique<ServiceDirectory>(chosenBus(), &throwFailure);
    }
    return *m_directory;
}

std::optional<HeldController> ServiceAccess::heldFor(const LinkTarget& target)
{
    std::lock_guard lock(m_lock);
    // No bus, no service: the application object and QtDBus are not made.
    if (!m_directory && !busMayBePresent(useSessionBus({})))
        return std::nullopt;
    ServiceDirectory& services = directory();
    if (!services.isUp())
        return std::nullopt;
    if (!target.controller.isEmpty())
        if (auto held = services.byName(target.controller))
            return held;
    return services.resolve(target);
}

HeldLink ServiceAccess::open(const HeldController& held)
{
    std::shared_ptr<ServiceController> controller;
    {
        std::lock_guard lock(m_lock);
        controller = directory().controller(held);
    }
    HeldLink link;
    link.controller = held.name;
    if (held.isDdc())
        link.ddc = std::make_unique<ServiceDdcApi>(controller, kServiceDdcWait);
    else
        link.bytes = std::make_unique<ServiceBytePort>(controller);
    return link;
}

}  // namespace lumivex::ctl
