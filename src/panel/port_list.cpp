#include "port_list.h"

#include "access_advice.h"
#include "com_port_map.h"
#include "serial.h"
#include "serial_error.h"

#include <cerrno>
#include <cstdio>

namespace lumivex {

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
    return availableLinks(&CSerial::probe);
}

PortListing listPorts()
{
    return listPorts(&CSerial::probe, [](const char* name) {
        const std::string device = ComPortMap::global().resolve(name);
        return serialAccessAdvice(device, EACCES, serialAccessFacts(device));
    });
}

}  // namespace lumivex
