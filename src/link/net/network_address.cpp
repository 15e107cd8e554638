#include "link/net/network_address.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace lumivex {

namespace {

unsigned char uchar(char c)
{
    return static_cast<unsigned char>(c);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool sameLetters(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) { return std::tolower(uchar(x)) == std::tolower(uchar(y)); });
}

// inet_pton wants a terminated string; the text is a view.
bool isAddress(int family, std::string_view text)
{
    unsigned char buffer[16];
    return inet_pton(family, std::string(text).c_str(), buffer) == 1;
}

// "'text'" and what follows, appended in order: GCC 12 takes a literal put
// before a temporary string for an overlapping copy (-Wrestrict).
std::string quoted(std::string_view text, std::string_view after)
{
    std::string out;
    out.reserve(text.size() + after.size() + 2);
    out.append(1, '\'').append(text).append(1, '\'').append(after);
    return out;
}

// Why host is no host, or empty when it is one.
std::string hostProblem(std::string_view host)
{
    if (std::ranges::all_of(host, [](char c) { return isDigit(c) || c == '.'; }))
        return isAddress(AF_INET, host) ? "" : quoted(host, " is not an IPv4 address");
    const bool nameChars = std::ranges::all_of(host, [](char c) { return std::isalnum(uchar(c)) || c == '-' || c == '.'; });
    return nameChars ? "" : quoted(host, " is not a host name or address");
}

// Why the scheme is neither "tcp" nor "rfc2217" (in any case), or empty and
// its kind.
std::string schemeProblem(std::string_view scheme, NetworkKind& kind)
{
    if (sameLetters(scheme, "rfc2217"))
        kind = NetworkKind::Rfc2217;
    else if (!sameLetters(scheme, "tcp"))
        return "unknown scheme '" + std::string(scheme) + "' (use tcp:// or rfc2217://)";
    return {};
}

// Takes "[ADDRESS]" off the front of rest, leaving ":PORT" or nothing; why
// it cannot, or empty.
std::string bracketedHost(std::string_view& rest, std::string_view& host, const std::string& usage)
{
    const size_t close = rest.find(']');
    if (close == std::string_view::npos)
        return "'[' without ']' around the IPv6 address";
    host = rest.substr(1, close - 1);
    if (host.empty())
        return "no host (write " + usage + ")";
    if (!isAddress(AF_INET6, host))
        return quoted(host, " is not an IPv6 address");
    rest.remove_prefix(close + 1);
    if (!rest.empty() && rest.front() != ':')
        return "':PORT' must follow ']'";
    return {};
}

// Takes a name or IPv4 address off the front of rest, leaving ":PORT" or
// nothing; why it cannot, or empty.
std::string plainHost(std::string_view& rest, std::string_view& host, const std::string& usage)
{
    host = rest.substr(0, rest.find(':'));
    rest.remove_prefix(host.size());
    if (rest.find(':', 1) != std::string_view::npos)
        return "an IPv6 address goes in brackets (write [ADDRESS]:PORT)";
    if (host.empty())
        return "no host (write " + usage + ")";
    return hostProblem(host);
}

// The port of rest, which is empty or ":PORT"; why there is none, or empty.
std::string portProblem(std::string_view rest, const std::string& usage, uint16_t& port)
{
    const std::string_view digits = rest.empty() ? rest : rest.substr(1);
    if (digits.empty())
        return "no port (write " + usage + ")";
    if (!std::ranges::all_of(digits, isDigit))
        return "port '" + std::string(digits) + "' is not a number";
    uint32_t value = 0;
    for (char c : digits)
        value = std::min<uint32_t>(value * 10 + uint32_t(c - '0'), 100000);  // held below overflow
    if (value < 1 || value > 65535)
        return "port must be 1 to 65535";
    port = uint16_t(value);
    return {};
}

}  // namespace

bool looksLikeNetworkLink(std::string_view text)
{
    return text.find("://") != std::string_view::npos;
}

NetworkAddressParse parseNetworkAddress(std::string_view text)
{
    const auto fail = [text](const std::string& what) {
        return NetworkAddressParse{std::nullopt, std::string(text) + ": " + what};
    };
    const size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos)
        return fail("not a network link (write tcp://HOST:PORT or rfc2217://HOST:PORT)");
    NetworkAddress link;
    if (const std::string problem = schemeProblem(text.substr(0, schemeEnd), link.kind); !problem.empty())
        return fail(problem);
    const std::string usage = std::string(link.kind == NetworkKind::Rfc2217 ? "rfc2217" : "tcp") + "://HOST:PORT";

    std::string_view rest = text.substr(schemeEnd + 3);
    if (rest.find('/') != std::string_view::npos)
        return fail("nothing may follow the port (write " + usage + ")");
    std::string_view host;
    std::string problem = rest.starts_with('[') ? bracketedHost(rest, host, usage) : plainHost(rest, host, usage);
    if (problem.empty())
        problem = portProblem(rest, usage, link.port);
    if (!problem.empty())
        return fail(problem);
    link.host = std::string(host);
    return {link, {}};
}

std::string networkAddressText(const NetworkAddress& link)
{
    const bool v6 = link.host.find(':') != std::string::npos;
    return std::string(link.kind == NetworkKind::Rfc2217 ? "rfc2217://" : "tcp://") + (v6 ? "[" : "") + link.host
           + (v6 ? "]:" : ":") + std::to_string(link.port);
}

}  // namespace lumivex
