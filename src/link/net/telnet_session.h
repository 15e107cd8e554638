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
};

}  // namespace lumivex::telnet
