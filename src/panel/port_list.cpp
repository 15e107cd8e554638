#include "panel/port_list.h"

#include "panel/access_advice.h"
#include "link/serial/com_port_map.h"
#include "link/net/network_address.h"
#include "link/serial/serial.h"
#include "link/serial/serial_error.h"

#include <cctype>
#include <cerrno>
#include <cstdio>

namespace lumivex {
namespace {

std::string resolveGlobally(const char* name)
{
    return ComPortMap::global().resolve(name);
}

}  // namespace

int probeLink(const char* name, const PortResolver& resolve, const PortProbe& serialProbe)
{
    const std::string value = resolve(name);
    if (!looksLikeNetworkLink(value))
        return serialProbe(name);
    // Listed on its text alone: a connection could take seconds to fail.
    return parseNetworkAddress(value).address ? 0 : probeAnswerFromStatus(osFailure(ENOENT));
}

int probeLink(const char* name)
{
    return probeLink(name, &resolveGlobally, &CSerial::probe);
}

PortPaths portPaths(const PortResolver& resolve)
{
    PortPaths paths;
    char name[16];
    for (int n = 1; n <= kHighestComPort; ++n) {
        std::snprintf(name, sizeof name, "COM%d", n);
        std::string value = resolve(name);
        if (value.empty() || looksLikeNetworkLink(value))
            continue;
        paths[std::move(value)] << QString::fromLatin1(name);
    }
    return paths;
}

PortPaths portPaths()
{
    return portPaths(&resolveGlobally);
}

PortListing listPorts(const PortProbe& probe, const DeniedPortAdvice& advise)
{
    PortListing listing{{QString::fromLatin1(kDdcLinkName)}, 0, {}};
    char name[16];
    for (int n = 1; n <= kHighestComPort; ++n) {
        std::snprintf(name, sizeof name, "COM%d", n);
        const int answer = probe(name);
        if (answer == 0)
            listing.links << QString::fromLatin1(name);
        else if (answer == kProbeNoPermission && listing.deniedCount++ == 0 && advise)
            listing.advice = advise(name);
    }
    return listing;
}

QStringList availableLinks(const PortProbe& probe)
{
    return listPorts(probe, nullptr).links;
}

QStringList availableLinks()
{
    return availableLinks([](const char* name) { return probeLink(name); });
}

PortListing listPorts()
{
    return listPorts([](const char* name) { return probeLink(name); }, [](const char* name) {
        const std::string device = ComPortMap::global().resolve(name);
        return serialAccessAdvice(device, EACCES, serialAccessFacts(device));
    });
}

std::vector<IgnoredPortsEntry> ignoredPortsEntries(const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::vector<IgnoredPortsEntry> ignored;
    for (const auto& [key, value] : entries) {
        std::string upper = key;
        for (char& c : upper)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        const std::optional<int> number = ComPortMap::comNumber(upper);
        std::string reason;
        if (!number)
            reason = "'" + key + "' is no COM name (COM1 to COM" + std::to_string(kHighestComPort) + ")";
        else if (*number > kHighestComPort)
            reason = "COM names go up to COM" + std::to_string(kHighestComPort);
        else if (looksLikeNetworkLink(value))
            reason = parseNetworkAddress(value).error;
        if (!reason.empty())
            ignored.push_back({key, value, reason});
    }
    return ignored;
}

}  // namespace lumivex
