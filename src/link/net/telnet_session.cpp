#include "link/net/telnet_session.h"

#include <initializer_list>

namespace lumivex::telnet {

namespace {

constexpr uint8_t kCr = '\r';

}  // namespace

TelnetSession::TelnetSession(LineSettings line)
    : m_line(line)
{
}

std::vector<uint8_t> TelnetSession::openingRequest()
{
    std::vector<uint8_t> out;
    // Marked as asked, so the server's agreement is not answered again.
    const auto ask = [&out](Stand& stand, uint8_t verb, uint8_t option) {
        if (stand != Stand::No)
            return;
        stand = Stand::WantYes;
        // One byte at a time: GCC 12 misjudges an initializer-list insert's
        // room as too small (-Wstringop-overflow).
        for (const uint8_t byte : {kIac, verb, option})
            out.push_back(byte);
    };
    ask(m_us[kOptionComPort], kWill, kOptionComPort);
    ask(m_us[kOptionBinary], kWill, kOptionBinary);
    ask(m_him[kOptionBinary], kDo, kOptionBinary);
    return out;
}

void TelnetSession::receive(const uint8_t* bytes, size_t length, std::vector<uint8_t>& data,
                            std::vector<uint8_t>& reply)
{
    for (size_t i = 0; i < length; ++i) {
        const uint8_t byte = bytes[i];
        switch (m_read) {
        case Read::Data:
            if (byte == kIac)
                m_read = Read::Iac;
            else
                dataByte(byte, data);
            break;
        case Read::Iac:
            afterIac(byte, data);
            break;
        case Read::Option:
            m_read = Read::Data;
            negotiate(m_verb, byte, reply);
            break;
        case Read::Sub:
            if (byte == kIac)
                m_read = Read::SubIac;
            else
                subByte(byte);
            break;
        case Read::SubIac:
            if (byte == kIac) {
                m_read = Read::Sub;
                subByte(byte);
            } else if (byte == kSe) {
                m_read = Read::Data;
                subnegotiation();
            } else {
                // The server broke the subnegotiation off: drop it and take
                // the byte as a command of its own.
                afterIac(byte, data);
            }
            break;
        }
    }
}

void TelnetSession::dataByte(uint8_t byte, std::vector<uint8_t>& data)
{
    // Outside binary a bare CR comes as CR NUL.
    if (m_afterCr && byte == 0) {
        m_afterCr = false;
        return;
    }
    m_afterCr = byte == kCr && m_him[kOptionBinary] != Stand::Yes;
    data.push_back(byte);
}

// Truncated, never grown: a payload past the cap is no reply we use.
void TelnetSession::subByte(uint8_t byte)
{
    if (m_subLength < kSubCap)
        m_sub[m_subLength++] = byte;
    else
        m_subOverflow = true;
}

void TelnetSession::afterIac(uint8_t byte, std::vector<uint8_t>& data)
{
    m_read = Read::Data;
    if (byte == kIac) {
        dataByte(byte, data);
    } else if (byte >= kWill && byte <= kDont) {
        m_verb = byte;
        m_read = Read::Option;
    } else if (byte == kSb) {
        m_subLength = 0;
        m_subOverflow = false;
        m_read = Read::Sub;
    }
    // NOP, GA, AYT and the rest mean nothing on a serial line.
}

void TelnetSession::negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& reply)
{
    // DO/DONT ask about what the client performs, WILL/WONT about the server.
    const bool ours = verb == kDo || verb == kDont;
    Stand& stand = ours ? m_us[option] : m_him[option];
    const auto say = [&](bool yes) {
        reply.insert(reply.end(), {kIac, ours ? (yes ? kWill : kWont) : (yes ? kDo : kDont), option});
    };
    if (verb == kDo || verb == kWill) {
        if (stand == Stand::WantYes) {
            stand = Stand::Yes;
        } else if (stand == Stand::No) {
            const bool accept = option == kOptionBinary || option == kOptionSuppressGoAhead
                                || (ours && option == kOptionComPort);
            stand = accept ? Stand::Yes : Stand::Refused;
            say(accept);
        }
    } else {
        if (stand == Stand::Yes)
            say(false);
        if (stand == Stand::Yes || stand == Stand::WantYes)
            stand = Stand::No;
    }
    if (!ours || option != kOptionComPort)
        return;
    m_comPortRefused = verb == kDont;
    if (stand == Stand::Yes && !m_settingsSent) {
        m_settingsSent = true;
        appendLineSettings(reply);
    }
}

void TelnetSession::subnegotiation()
{
    if (m_subOverflow || m_subLength < 2 || m_sub[0] != kOptionComPort || !comPortAccepted())
        return;
    switch (m_sub[1]) {
    case kServerReply + kSetBaudRate:
        if (m_subLength == 6) {
            m_baud = uint32_t(m_sub[2]) << 24 | uint32_t(m_sub[3]) << 16 | uint32_t(m_sub[4]) << 8 | m_sub[5];
            m_baudSeen = true;
        }
        break;
    case kServerReply + kPurgeData:
        m_purgeSeen = true;
        break;
    default:  // line and modem state notices, the signature: not needed
        break;
    }
}

void TelnetSession::appendLineSettings(std::vector<uint8_t>& reply) const
{
    const auto set = [&reply](uint8_t command, std::initializer_list<uint8_t> value) {
        reply.insert(reply.end(), {kIac, kSb, kOptionComPort, command});
        for (uint8_t byte : value) {
            reply.push_back(byte);
            if (byte == kIac)
                reply.push_back(kIac);
        }
        reply.insert(reply.end(), {kIac, kSe});
    };
    const uint32_t baud = m_line.baudRate;
    set(kSetBaudRate, {uint8_t(baud >> 24), uint8_t(baud >> 16), uint8_t(baud >> 8), uint8_t(baud)});
    set(kSetDataSize, {m_line.dataBits});
    set(kSetParity, {m_line.parity});
    set(kSetStopSize, {m_line.stopBits});
    set(kSetControl, {m_line.flowControl});
    set(kPurgeData, {3});  // both buffers: nothing stale before the first reply
}

void TelnetSession::escape(const uint8_t* bytes, size_t length, std::vector<uint8_t>& out) const
{
    const bool binary = m_us[kOptionBinary] == Stand::Yes;
    for (size_t i = 0; i < length; ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == kIac)
            out.push_back(kIac);
        else if (bytes[i] == kCr && !binary)
            out.push_back(0);
    }
}

bool TelnetSession::comPortAccepted() const
{
    return m_us[kOptionComPort] == Stand::Yes;
}

bool TelnetSession::comPortRefused() const
{
    return m_comPortRefused;
}

bool TelnetSession::lineReady() const
{
    return m_baudSeen && m_purgeSeen;
}

uint32_t TelnetSession::reportedBaudRate() const
{
    return m_baud;
}

}  // namespace lumivex::telnet
