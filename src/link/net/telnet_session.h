#pragma once
// The client side of a Telnet connection with the COM port control option:
// decodes what the server sends into data bytes, answers its option
// negotiation, and escapes data going out. Plain bytes in, plain bytes out;
// the socket is the caller's. Anything a server sends is taken without
// crash, hang or unbounded growth.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivex::telnet {

inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;

inline constexpr uint8_t kOptionBinary = 0;
inline constexpr uint8_t kOptionSuppressGoAhead = 3;
inline constexpr uint8_t kOptionComPort = 44;

// COM port control commands, client to server; the server answers with the
// same command + 100.
inline constexpr uint8_t kSetBaudRate = 1;
inline constexpr uint8_t kSetDataSize = 2;
inline constexpr uint8_t kSetParity = 3;
inline constexpr uint8_t kSetStopSize = 4;
inline constexpr uint8_t kSetControl = 5;
inline constexpr uint8_t kPurgeData = 12;
inline constexpr uint8_t kServerReply = 100;

// The line the controller needs: 8 data bits, no parity, one stop bit, no
// flow control.
struct LineSettings {
    uint32_t baudRate = 115200;
    uint8_t dataBits = 8;
    uint8_t parity = 1;       // 1 NONE
    uint8_t stopBits = 1;     // 1 one stop bit
    uint8_t flowControl = 1;  // 1 no flow control (SET-CONTROL value)
};

class TelnetSession {
public:
    explicit TelnetSession(LineSettings line = {});

    // What the client sends first: WILL COM-PORT-OPTION, and DO/WILL BINARY
    // so that every byte value passes as data.
    std::vector<uint8_t> openingRequest();

    // Decodes bytes from the server: data bytes are appended to data,
    // answers the negotiation needs (and, once the server agrees to COM port
    // control, the line settings and a purge of both buffers) to reply.
    void receive(const uint8_t* bytes, size_t length, std::vector<uint8_t>& data, std::vector<uint8_t>& reply);

    // Data going to the server, with IAC doubled (and CR followed by NUL
    // while the client is not in binary mode).
    void escape(const uint8_t* bytes, size_t length, std::vector<uint8_t>& out) const;

    // The server agreed to COM port control (DO COM-PORT-OPTION).
    bool comPortAccepted() const;
    // The server refused it (DONT COM-PORT-OPTION): it is no RFC 2217 server.
    bool comPortRefused() const;
    // The server has answered the baud rate and the purge: the line is set
    // up and the link can be used.
    bool lineReady() const;
    // The baud rate the server reported back; 0 until it has.
    uint32_t reportedBaudRate() const;

    // The line settings are sent once; otherwise a reply is at most as long
    // as what was received. Six subnegotiations of six framing bytes, nine
    // value bytes each doubled should it be IAC.
    static constexpr size_t kMostLineSettingsBytes = 6 * 6 + 2 * 9;

private:
    // Where an option stands on one side (RFC 1143). Refused is No after the
    // refusal has been said once, so a server asking again gets no answer.
    enum class Stand : uint8_t { No, Yes, WantYes, Refused };
    enum class Read : uint8_t { Data, Iac, Option, Sub, SubIac };
    static constexpr size_t kSubCap = 64;

    void dataByte(uint8_t byte, std::vector<uint8_t>& data);
    void subByte(uint8_t byte);
    void afterIac(uint8_t byte, std::vector<uint8_t>& data);
    void negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& reply);
    void subnegotiation();
    void appendLineSettings(std::vector<uint8_t>& reply) const;

    LineSettings m_line;
    std::array<Stand, 256> m_us{};   // options the client performs
    std::array<Stand, 256> m_him{};  // options the server performs
    Read m_read = Read::Data;
    uint8_t m_verb = 0;
    bool m_afterCr = false;
    std::array<uint8_t, kSubCap> m_sub{};  // option, command, value
    size_t m_subLength = 0;
    bool m_subOverflow = false;
    bool m_settingsSent = false;
    bool m_comPortRefused = false;
    bool m_baudSeen = false;
    bool m_purgeSeen = false;
    uint32_t m_baud = 0;
};

}  // namespace lumivex::telnet
