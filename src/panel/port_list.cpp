#include "port_list.h"

#include "serial.h"

#include <cstdio>

namespace lumivex {

QStringList availableLinks(const PortProbe& probe)
{
    QStringList links{QString::fromLatin1(kDdcLinkName)};
    char name[16];
    for (int n = 1; n <= kHighestComPort; ++n) {
        std::snprintf(name, sizeof name, "COM%d", n);
        if (probe(name) == 0)
            links << QString::fromLatin1(name);
    }
    return links;
}

QStringList availableLinks()
{
    return availableLinks(&CSerial::probe);
}

}  // namespace lumivex
