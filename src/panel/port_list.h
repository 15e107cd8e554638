#pragma once
// The links the Interface page offers: DDC/CI first, then every COM port
// that can be opened now. Ports that are absent or held by another program
// are left out; so are ports closed to this user, but those are counted so
// the caller can say why and what to do. A port whose [Ports] value names
// a network link is listed when that value reads as one: nothing connects.

#include <QStringList>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace lumivex {

// The name that loads the DDC/CI link.
inline constexpr const char* kDdcLinkName = "DDC2Bi";
// COM1 up to this one are tried.
inline constexpr int kHighestComPort = 255;

// Answers as CSerial::probe: 0 when the port could be opened now, 3 when it
// is there but closed to this user.
using PortProbe = std::function<int(const char* name)>;

// What a COM name stands for: a device path, a network link, or empty.
using PortResolver = std::function<std::string(const char* name)>;

// The probe of one link: a name that resolves to a network link answers 0
// when the value reads as one and 1 (absent) otherwise, without asking
// serialProbe; any other name is serialProbe's.
int probeLink(const char* name, const PortResolver& resolve, const PortProbe& serialProbe);

// The same through ComPortMap::global() and CSerial::probe.
int probeLink(const char* name);

// Each device path COM1..COM255 resolve to, with the names that resolve to
// it in COM order. Network links and names without a path are not there.
using PortPaths = std::map<std::string, QStringList>;
PortPaths portPaths(const PortResolver& resolve);

// The same through ComPortMap::global().
PortPaths portPaths();

// "DDC2Bi", then "COMn" for n = 1..255 whose probe answers 0.
QStringList availableLinks(const PortProbe& probe);

// The same with probeLink().
QStringList availableLinks();

struct PortListing {
    QStringList links;    // what availableLinks() offers
    int deniedCount = 0;  // ports left out for lack of permission
    std::string advice;   // the next step for the first of them; empty when none
};

// The next step for a port closed to this user, by its COM name.
using DeniedPortAdvice = std::function<std::string(const char* name)>;

// The links with the ports left out for lack of permission; advise is asked
// about the first such port only.
PortListing listPorts(const PortProbe& probe, const DeniedPortAdvice& advise);

// The same with probeLink() and the real facts about that port's device.
PortListing listPorts();

// A [Ports] entry no port name reaches, and why.
struct IgnoredPortsEntry {
    std::string key;
    std::string value;
    std::string reason;
};

// The entries of section "Ports" that are never used: keys that are no
// COM name the panel tries (COM1..COM255, digits without a leading zero),
// and values that look like a network link but do not read as one.
std::vector<IgnoredPortsEntry> ignoredPortsEntries(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace lumivex
