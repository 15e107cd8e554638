#pragma once
// Network links to a serial device server, as the operator writes them in
// [Ports] or on lumivex-ctl's command line: "tcp://HOST:PORT" passes raw
// bytes, "rfc2217://HOST:PORT" speaks Telnet with COM port control. HOST may
// be a name, an IPv4 address or an IPv6 address in brackets.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumivex {

enum class NetworkKind { RawTcp, Rfc2217 };

struct NetworkAddress {
    NetworkKind kind = NetworkKind::RawTcp;
    std::string host;  // without the brackets of an IPv6 address
    uint16_t port = 0;

    friend bool operator==(const NetworkAddress&, const NetworkAddress&) = default;
};

struct NetworkAddressParse {
    std::optional<NetworkAddress> address;
    std::string error;  // what is wrong, in one line, when address is empty
};

// True for any text with a scheme ("tcp://", "udp://"), well formed or not:
// such a text never names a device path, so it goes to the network parser
// and gets its message there.
bool looksLikeNetworkLink(std::string_view text);

NetworkAddressParse parseNetworkAddress(std::string_view text);

// The address written back: "tcp://10.0.0.5:4001", "rfc2217://[::1]:4002".
std::string networkAddressText(const NetworkAddress& address);

}  // namespace lumivex
