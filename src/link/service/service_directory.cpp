#include "link/service/service_directory.h"

#include "control/outcome.h"
#include "control/service_names.h"
#include "link/net/network_address.h"
#include "link/serial/com_port_map.h"
#include "link/service/service_controller.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include <cstdlib>
#include <filesystem>

namespace lumivex::service_link {

namespace {

bool sameAddress(const QString& a, const QString& b)
{
    if (!looksLikeNetworkLink(a.toStdString()) || !looksLikeNetworkLink(b.toStdString()))
        return false;
    const auto left = parseNetworkAddress(a.trimmed().toStdString()).address;
    const auto right = parseNetworkAddress(b.trimmed().toStdString()).address;
    return left && right && left->port == right->port
        && QString::fromStdString(left->host).compare(QString::fromStdString(right->host), Qt::CaseInsensitive) == 0;
}

// The monitor a held DDC/CI link names ("ddc", "DDC2Bi": 0; "ddc:N": N).
std::optional<int> ddcMonitor(const QString& link)
{
    try {
        const control::LinkTarget target = control::parseLinkTarget(link, 0);
        if (target.ddc)
            return target.monitor;
    } catch (const control::Failure&) {
    }
    return std::nullopt;
}

}  // namespace

QDBusConnection chosenBus(const QString& given)
{
    return control::useSessionBus(given) ? QDBusConnection::sessionBus() : QDBusConnection::systemBus();
}

QString devicePathOf(const QString& link)
{
    const QString text = link.trimmed();
    std::string path;
    if (ComPortMap::comNumber(text.toUpper().toStdString()))
        path = ComPortMap::global().resolve(text.toUpper().toStdString());
    else if (text.startsWith(QLatin1Char('/')))
        path = text.toStdString();
    if (path.empty())
        return {};
    // Links and ".." are the same device: compare where they lead.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    } else {
        path = std::filesystem::path(path).lexically_normal().string();
    }
    return QString::fromStdString(path);
}

std::optional<size_t> matchHeld(const std::vector<HeldController>& controllers, const control::LinkTarget& target,
                                const std::function<QString(const QString&)>& devicePath)
{
    const QString device = target.ddc ? QString() : devicePath(target.name);
    for (size_t i = 0; i < controllers.size(); ++i) {
        const HeldController& held = controllers[i];
        if (target.ddc) {
            if (held.isDdc() && ddcMonitor(held.link) == target.monitor)
                return i;
            continue;
        }
        if (held.isDdc())
            continue;
        if (sameAddress(target.name, held.link))
            return i;
        if (!device.isEmpty() && devicePath(held.link) == device)
            return i;
    }
    return std::nullopt;
}

ServiceDirectory::ServiceDirectory(QDBusConnection bus, ServiceErrorPolicy policy)
    : m_bus(std::move(bus))
    , m_policy(std::move(policy))
{
}

bool ServiceDirectory::isUp()
{
    if (m_up)
        return *m_up;
    m_up = false;
    if (!m_bus.isConnected())
        return false;
    QDBusMessage ask = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                      QStringLiteral("/org/freedesktop/DBus"),
                                                      QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask.setArguments({QLatin1String(control::kServiceName)});
    const QDBusMessage reply = m_bus.call(ask, QDBus::Block, int(kCallTimeout.count()));
    m_up = reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    return *m_up;
}

const std::vector<HeldController>& ServiceDirectory::controllers()
{
    if (m_controllers)
        return *m_controllers;
    m_controllers.emplace();
    if (!isUp())
        return *m_controllers;
    QDBusMessage ask = QDBusMessage::createMethodCall(QLatin1String(control::kServiceName),
                                                      QLatin1String(control::kManagerPath),
                                                      QLatin1String(control::kManagerInterface), QStringLiteral("ListControllers"));
    const QDBusMessage reply = m_bus.call(ask, QDBus::Block, int(kCallTimeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (m_policy)
            m_policy(faultOfError(reply.errorName()),
                     QStringLiteral("lumivexd did not list its controllers: %1")
                         .arg(reply.errorMessage().section(QLatin1Char('\n'), 0, 0)));
        return *m_controllers;
    }
    const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        HeldController held;
        QDBusObjectPath path;
        list.beginStructure();
        list >> held.name >> held.link >> held.kind >> path;
        list.endStructure();
        held.objectPath = path.path();
        m_controllers->push_back(held);
    }
    list.endArray();
    return *m_controllers;
}

void ServiceDirectory::refresh()
{
    m_up.reset();
    m_controllers.reset();
}

std::optional<HeldController> ServiceDirectory::byName(const QString& name)
{
    for (const HeldController& held : controllers())
        if (held.name == name)
            return held;
    return std::nullopt;
}

std::optional<HeldController> ServiceDirectory::resolve(const control::LinkTarget& target)
{
    const auto& held = controllers();
    if (const auto at = matchHeld(held, target))
        return held[*at];
    return std::nullopt;
}

std::shared_ptr<ServiceController> ServiceDirectory::controller(const HeldController& held) const
{
    return std::make_shared<ServiceController>(m_bus, held.name, held.objectPath, m_policy);
}

}  // namespace lumivex::service_link
