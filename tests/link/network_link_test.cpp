// Network links as the operator writes them: each text to the link it names, or to
// the message that tells what is wrong with it.
#include "link/net/network_address.h"

#include <gtest/gtest.h>

#include <ostream>

namespace lumivex {
namespace {

struct LinkRow {
    const char* name;
    const char* text;
    std::optional<NetworkAddress> link;
    const char* message;  // the whole message, or the text written back
};

std::ostream& operator<<(std::ostream& out, const LinkRow& row)
{
    return out << row.name;
}

NetworkAddress link(NetworkKind kind, const char* host, uint16_t port)
{
    return {kind, host, port};
}

constexpr auto kTcp = NetworkKind::RawTcp;
constexpr auto kRfc = NetworkKind::Rfc2217;

const LinkRow kRows[] = {
    {"TcpName", "tcp://gateway-1.lan:4001", link(kTcp, "gateway-1.lan", 4001), "tcp://gateway-1.lan:4001"},
    {"Rfc2217Ipv4", "rfc2217://10.0.0.5:4002", link(kRfc, "10.0.0.5", 4002), "rfc2217://10.0.0.5:4002"},
    {"Ipv6Bracketed", "rfc2217://[fe80::1]:4003", link(kRfc, "fe80::1", 4003), "rfc2217://[fe80::1]:4003"},
    {"UpperCaseScheme", "RFC2217://h:1", link(kRfc, "h", 1), "rfc2217://h:1"},
    {"Port65535", "TCP://h:65535", link(kTcp, "h", 65535), "tcp://h:65535"},
    {"NoPort", "tcp://host", {}, "tcp://host: no port (write tcp://HOST:PORT)"},
    {"Port0", "tcp://h:0", {}, "tcp://h:0: port must be 1 to 65535"},
    {"Port65536", "tcp://h:65536", {}, "tcp://h:65536: port must be 1 to 65535"},
    {"Port70000", "tcp://h:70000", {}, "tcp://h:70000: port must be 1 to 65535"},
    {"PortPastAnyInteger", "tcp://h:99999999999999999999", {}, "tcp://h:99999999999999999999: port must be 1 to 65535"},
    {"UnknownScheme", "udp://h:1", {}, "udp://h:1: unknown scheme 'udp' (use tcp:// or rfc2217://)"},
    {"EmptyHost", "tcp://:1", {}, "tcp://:1: no host (write tcp://HOST:PORT)"},
    {"TrailingPath", "tcp://h:1/x", {}, "tcp://h:1/x: nothing may follow the port (write tcp://HOST:PORT)"},
    {"JunkInPort", "tcp://h:12a", {}, "tcp://h:12a: port '12a' is not a number"},
    {"UnclosedBracket", "tcp://[::1:5", {}, "tcp://[::1:5: '[' without ']' around the IPv6 address"},
    {"NoColonAfterBracket", "tcp://[::1]5", {}, "tcp://[::1]5: ':PORT' must follow ']'"},
    {"Ipv6WithoutBrackets", "tcp://::1:5", {}, "tcp://::1:5: an IPv6 address goes in brackets (write [ADDRESS]:PORT)"},
    {"TwoColonsAfterTheHost", "tcp://h::5", {}, "tcp://h::5: an IPv6 address goes in brackets (write [ADDRESS]:PORT)"},
    {"NameInBrackets", "tcp://[gw]:5", {}, "tcp://[gw]:5: 'gw' is not an IPv6 address"},
    {"Ipv4OctetPast255", "tcp://10.0.0.256:5", {}, "tcp://10.0.0.256:5: '10.0.0.256' is not an IPv4 address"},
    {"UnderscoreInName", "tcp://my_gw:5", {}, "tcp://my_gw:5: 'my_gw' is not a host name or address"},
};

class NetworkLinkRows : public ::testing::TestWithParam<LinkRow> {};

TEST_P(NetworkLinkRows, ParsesToItsLinkOrMessage)
{
    const LinkRow& row = GetParam();
    const NetworkAddressParse parsed = parseNetworkAddress(row.text);
    EXPECT_EQ(parsed.address, row.link);
    if (!row.link) {
        EXPECT_EQ(parsed.error, row.message);
        return;
    }
    EXPECT_EQ(parsed.error, "");
    // Written back in one form, and that form reads the same.
    EXPECT_EQ(networkAddressText(*row.link), row.message);
    EXPECT_EQ(parseNetworkAddress(row.message).address, row.link);
}

INSTANTIATE_TEST_SUITE_P(Texts, NetworkLinkRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NetworkLink, AnyTextWithASchemeGoesToTheNetworkParser)
{
    const struct {
        const char* text;
        bool network;
    } rows[] = {{"/dev/ttyUSB0", false}, {"COM3", false}, {"udp://h", true}, {"://", true}, {"tcp:/h:1", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(looksLikeNetworkLink(row.text), row.network);
    }
}

}  // namespace
}  // namespace lumivex
