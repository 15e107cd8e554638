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

struct NetworkSpec {
    NetworkKind kind = NetworkKind::RawTcp;
    std::string host;  // without the brackets of an IPv6 address
    uint16_t port = 0;

    friend bool operator==(const NetworkSpec&, const NetworkSpec&) = default;
};

struct NetworkSpecParse {
    std::optional<NetworkSpec> spec;
    std::string error;  // what is wrong, in one line, when spec is empty
};

// True for any text with a scheme ("tcp://", "udp://"), well formed or not:
// such a text never names a device path, so it goes to the network parser
// and gets its message there.
bool looksLikeNetworkLink(std::string_view text);

NetworkSpecParse parseNetworkSpec(std::string_view text);

// The spec written back: "tcp://10.0.0.5:4001", "rfc2217://[::1]:4002".
std::string networkSpecText(const NetworkSpec& spec);

}  // namespace lumivex
