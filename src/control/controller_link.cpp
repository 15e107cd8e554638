#include "control/controller_link.h"

#include "panel/access_advice.h"
#include "platform/app_paths.h"
#include "link/serial/com_port_map.h"
#include "control/snapshot.h"
#include "control/outcome.h"
#include "control/quiet_messages.h"
#include "link/ddc/ddc_library.h"
#include "panel/link_loader.h"
#include "link/net/network_address.h"
#include "panel/port_list.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lumivex::control {

LinkTarget parseLinkTarget(const QString& text, int monitor)
{
    const QString t = text.trimmed();
    const auto ddc = [](int n) {
        return LinkTarget{true, QStringLiteral("DDC/CI"), n, n ? QStringLiteral("ddc:%1").arg(n) : QStringLiteral("ddc")};
    };
    if (t.compare(QLatin1String("ddc"), Qt::CaseInsensitive) == 0
        || t.compare(QLatin1String(kDdcLinkName), Qt::CaseInsensitive) == 0)
        return ddc(monitor);
    if (t.startsWith(QLatin1String("ddc:"), Qt::CaseInsensitive)) {
        bool number = false;
        const int n = t.mid(4).toInt(&number);
        if (number && n >= 0 && n < 1000)
            return ddc(n);
    }
    const QString upper = t.toUpper();
    if (ComPortMap::comNumber(upper.toStdString()))
        return {false, upper, 0, upper};
    if (t.startsWith(QLatin1Char('/')))
        return {false, t, 0, t};
    if (looksLikeNetworkLink(t.toStdString())) {
        const NetworkAddressParse parsed = parseNetworkAddress(t.toStdString());
        if (!parsed.address)
            fail(kExitUsage, QStringLiteral("--link: %1").arg(QString::fromStdString(parsed.error)));
        return {false, t, 0, t};
    }
    fail(kExitUsage,
         QStringLiteral("--link takes ddc, ddc:N, %1, COMn, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT, not '%2'")
             .arg(QLatin1String(kDdcLinkName), text));
}

// Serial links need no DDC/CI library: an empty candidate list loads none.
ControllerLink::ControllerLink()
    : m_ddc(std::make_unique<DdcLibrary>(std::vector<std::string>{}))
    , m_link(std::make_unique<LinkState>(*m_ddc, m_monitors))
{
}

ControllerLink::~ControllerLink()
{
    // The port goes before the library and the table it refers to.
    m_link.reset();
}

void ControllerLink::setObserver(TransactionObserver* observer)
{
    m_observer = observer;
    m_link->setObserver(observer);
}

void ControllerLink::open(const LinkTarget& target, QuietMessages& messages, HeldLink held)
{
    messages.setLinkName(target.name);
    if (held)
        openHeld(target, messages, std::move(held));
    else if (target.ddc)
        openDdc(target, messages);
    else
        openSerial(target, messages);
}

void ControllerLink::openDdc(const LinkTarget& target, QuietMessages& messages)
{
    m_link.reset();
    m_ddc = std::make_unique<DdcLibrary>(
        defaultDdcLibraryCandidates(executableDirectory(), std::getenv("ZEPTA_DDCHELPER")));
    m_link = std::make_unique<LinkState>(*m_ddc, m_monitors);
    m_link->setObserver(m_observer);
    if (!m_ddc->isLoaded())
        fail(kExitNoLink, QStringLiteral("DDC/CI: no DDC/CI library could be loaded (%1)")
                              .arg(QString::fromStdString(m_ddc->loadError())));
    m_ddc->InstallDriver(0, 1);
    if (const int32_t status = m_ddc->InitDDCHelper())
        fail(kExitNoLink, QStringLiteral("DDC/CI: Error #%1").arg(QString::number(uint32_t(status), 16).toUpper()));
    MonitorTable found;
    enumerateMonitors(*m_ddc, found);
    if (target.monitor < 0 || target.monitor >= found.count) {
        // None found is often a bus this user may not open.
        const std::string advice = found.count == 0 ? i2cAccessAdvice(i2cAccessFacts()) : std::string();
        fail(kExitNoLink, QStringLiteral("DDC/CI: no monitor %1 (%2 found)%3")
                              .arg(target.monitor)
                              .arg(found.count)
                              .arg(advice.empty() ? QString() : QStringLiteral("; ") + QString::fromStdString(advice)));
    }
    // Every command goes to entry 0: the chosen monitor goes there.
    m_monitors.handles[0] = found.handles[size_t(target.monitor)];
    m_monitors.count = 1;
    if (loadLink(*m_link, messages, QString::fromLatin1(kDdcLinkName), nullptr) != LoadResult::Loaded) {
        // The panel's own text says only that it failed; this says which read and why.
        const std::vector<VcpReadFailure> failed = m_link->failedReads();
        m_link->clearFailedReads();
        fail(kExitNoLink, QStringLiteral("DDC/CI: monitor %1 does not answer%2; check that DDC/CI is on in its menu")
                              .arg(target.monitor)
                              .arg(failed.empty() ? QString() : QStringLiteral(": ") + refusedRead(*m_link, failed.front())));
    }
    messages.throwIfProblem(kExitNoLink);
}

void ControllerLink::openHeld(const LinkTarget& target, QuietMessages& messages, HeldLink held)
{
    if (held.bytes) {
        m_link->attachBytePort(std::move(held.bytes));
        m_link->setInterfaceMode(InterfaceMode::Serial);
        m_link->resetWritePosition();
        return;
    }
    m_link.reset();
    m_heldDdc = std::move(held.ddc);
    m_link = std::make_unique<LinkState>(*m_heldDdc, m_monitors);
    m_link->setObserver(m_observer);
    MonitorTable found;
    enumerateMonitors(*m_heldDdc, found);
    if (found.count < 1)
        fail(kExitNoLink, QStringLiteral("DDC/CI: %1 has no monitor").arg(held.controller));
    m_monitors.handles[0] = found.handles[0];
    m_monitors.count = 1;
    if (loadLink(*m_link, messages, QString::fromLatin1(kDdcLinkName), nullptr) != LoadResult::Loaded) {
        const std::vector<VcpReadFailure> failed = m_link->failedReads();
        m_link->clearFailedReads();
        fail(kExitNoLink, QStringLiteral("DDC/CI: the monitor of %1 (monitor %2) does not answer%3; check that DDC/CI is on in its menu")
                              .arg(held.controller)
                              .arg(target.monitor)
                              .arg(failed.empty() ? QString() : QStringLiteral(": ") + refusedRead(*m_link, failed.front())));
    }
    messages.throwIfProblem(kExitNoLink);
}

void ControllerLink::openSerial(const LinkTarget& target, QuietMessages& messages)
{
    int32_t status = 0;
    if (loadSerialLink(*m_link, messages, target.name, nullptr, &status) == LoadResult::Failed)
        fail(kExitNoLink, QString::fromStdString(openFailureReason(*m_link, target.name, status)));
    // Open, but the line could not be set up.
    messages.throwIfProblem(kExitNoLink);
}

}  // namespace lumivex::control
