// The client side of Telnet with COM port control: what the server sends,
// to data bytes and answers; data going out, escaped.
#include "link/net/telnet_session.h"

#include <gtest/gtest.h>

#include <ostream>

namespace lumivex::telnet {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kNop = 241;
constexpr uint8_t kGa = 249;
constexpr uint8_t kEcho = 1;
constexpr uint8_t kTerminalType = 24;

// What the client sends once the server agrees to COM port control:
// 115200 baud, 8 bits, no parity, one stop bit, no flow control, purge both.
const Bytes kSettings = {kIac, kSb, 44, 1, 0x00, 0x01, 0xC2, 0x00, kIac, kSe,  //
                         kIac, kSb, 44, 2, 8, kIac, kSe,  kIac, kSb, 44, 3, 1, kIac, kSe,
                         kIac, kSb, 44, 4, 1, kIac, kSe,  kIac, kSb, 44, 5, 1, kIac, kSe,
                         kIac, kSb, 44, 12, 3, kIac, kSe};

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct DecodeRow {
    const char* name;
    bool opened;               // openingRequest() was sent first
    std::vector<Bytes> calls;  // one receive() each
    Bytes data;
    Bytes reply;
    uint32_t baud = 0;
    bool lineReady = false;
    bool accepted = false;
    bool refused = false;
};

std::ostream& operator<<(std::ostream& out, const DecodeRow& row)
{
    return out << row.name;
}

const Bytes kBaudReply9600 = {kIac, kSb, 44, 101, 0x00, 0x00, 0x25, 0x80, kIac, kSe};
const Bytes kPurgeReply = {kIac, kSb, 44, 112, 3, kIac, kSe};

const DecodeRow kDecodeRows[] = {
    {"IacIacIsOneDataByte", false, {{'a', kIac, kIac, 'b'}}, {'a', 0xFF, 'b'}, {}},
    {"IacSplitAcrossCalls", false, {{'a', kIac}, {kIac, 'b'}}, {'a', 0xFF, 'b'}, {}},
    {"DoComPortSendsTheLineSettings", true, {{kIac, kDo, 44}}, {}, kSettings, 0, false, true},
    {"DoComPortUnaskedIsAgreedFirst", false, {{kIac, kDo, 44}}, {}, Bytes{kIac, kWill, 44} + kSettings, 0, false, true},
    {"DoComPortAgainSendsNothing", true, {{kIac, kDo, 44, kIac, kDo, 44}}, {}, kSettings, 0, false, true},
    {"DoUnknownRefusedOnce", false, {{kIac, kDo, kTerminalType}, {kIac, kDo, kTerminalType}}, {},
     {kIac, kWont, kTerminalType}},
    {"WillEchoRefused", false, {{kIac, kWill, kEcho, 'x'}}, {'x'}, {kIac, kDont, kEcho}},
    {"AgreementToTheOpeningIsNotAnswered", true, {{kIac, kDo, 0, kIac, kWill, 0}}, {}, {}},
    {"SuppressGoAheadAcceptedBothWays", false, {{kIac, kWill, 3, kIac, kDo, 3}}, {}, {kIac, kDo, 3, kIac, kWill, 3}},
    {"DontAfterYesIsAcknowledged", false, {{kIac, kDo, 3, kIac, kDont, 3, kIac, kDont, 3}}, {},
     {kIac, kWill, 3, kIac, kWont, 3}},
    {"DontComPortIsARefusal", true, {{kIac, kDont, 44}}, {}, {}, 0, false, false, true},
    {"BaudReplyIsReported", true, {{kIac, kDo, 44}, kBaudReply9600}, {}, kSettings, 9600, false, true},
    {"DoubledIacInABaudReply", true, {{kIac, kDo, 44, kIac, kSb, 44, 101, 0, 0, kIac, kIac, kIac, kIac, kIac, kSe}}, {},
     kSettings, 0xFFFF, false, true},
    {"ShortBaudReplyIsIgnored", true, {{kIac, kDo, 44, kIac, kSb, 44, 101, 0x25, 0x80, kIac, kSe}}, {}, kSettings, 0,
     false, true},
    {"LongBaudReplyIsIgnored", true, {{kIac, kDo, 44, kIac, kSb, 44, 101, 0, 0, 0x25, 0x80, 0, kIac, kSe}}, {},
     kSettings, 0, false, true},
    {"BaudAndPurgeRepliesMakeTheLineReady", true, {{kIac, kDo, 44}, kPurgeReply + kBaudReply9600}, {}, kSettings, 9600,
     true, true},
    {"SubnegotiationBrokenOffByACommand", true,
     {{kIac, kDo, 44}, Bytes{kIac, kSb, 44, 101, 0, 0, 0x25, 0x80, kIac, kDo, kTerminalType, 'z'}}, {'z'},
     kSettings + Bytes{kIac, kWont, kTerminalType}, 0, false, true},
    {"RepliesBeforeTheAgreementAreIgnored", true, {kBaudReply9600 + kPurgeReply}, {}, {}},
    {"OversizeSubnegotiationIsDropped", true,
     {{kIac, kDo, 44}, Bytes{kIac, kSb, 44, 101, 0, 0, 0x25, 0x80} + Bytes(100, 7) + Bytes{kIac, kSe, 'z'}}, {'z'},
     kSettings, 0, false, true},
    {"CrNulIsCrOutsideBinary", false, {{'a', '\r'}, {0, 'b', '\r', '\n'}}, {'a', '\r', 'b', '\r', '\n'}, {}},
    {"CrNulKeptInBinary", true, {{kIac, kWill, 0, '\r', 0}}, {'\r', 0}, {}},
    {"NopAndGoAheadAreSilent", false, {{'a', kIac, kNop, kIac, kGa, 'b'}}, {'a', 'b'}, {}},
};

class TelnetDecodeRows : public ::testing::TestWithParam<DecodeRow> {};

// Each row as its calls give it, then one byte per call: the same outcome.
TEST_P(TelnetDecodeRows, DecodesAndAnswers)
{
    const DecodeRow& row = GetParam();
    for (const bool bytewise : {false, true}) {
        SCOPED_TRACE(bytewise ? "one byte per call" : "as the row's calls");
        TelnetSession session;
        if (row.opened)
            session.openingRequest();
        Bytes data, reply;
        for (const Bytes& call : row.calls) {
            for (size_t i = 0; bytewise && i < call.size(); ++i)
                session.receive(&call[i], 1, data, reply);
            if (!bytewise)
                session.receive(call.data(), call.size(), data, reply);
        }
        EXPECT_EQ(data, row.data);
        EXPECT_EQ(reply, row.reply);
        EXPECT_EQ(session.reportedBaudRate(), row.baud);
        EXPECT_EQ(session.lineReady(), row.lineReady);
        EXPECT_EQ(session.comPortAccepted(), row.accepted);
        EXPECT_EQ(session.comPortRefused(), row.refused);
    }
}

INSTANTIATE_TEST_SUITE_P(Streams, TelnetDecodeRows, ::testing::ValuesIn(kDecodeRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TelnetSession, TheOpeningAsksForComPortAndBinaryOnce)
{
    TelnetSession session;
    EXPECT_EQ(session.openingRequest(), (Bytes{kIac, kWill, 44, kIac, kWill, 0, kIac, kDo, 0}));
    EXPECT_EQ(session.openingRequest(), Bytes{});
}

TEST(TelnetSession, ABaudRateWithIacIsDoubledInTheSettings)
{
    TelnetSession session(LineSettings{.baudRate = 0x00FF0100});
    session.openingRequest();
    Bytes data, reply;
    const Bytes agree{kIac, kDo, 44};
    session.receive(agree.data(), agree.size(), data, reply);
    ASSERT_GE(reply.size(), 11u);
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 11), (Bytes{kIac, kSb, 44, 1, 0, kIac, kIac, 1, 0, kIac, kSe}));
}

struct EscapeRow {
    const char* name;
    Bytes agreement;  // what the server said first
    Bytes in;
    Bytes out;
};

std::ostream& operator<<(std::ostream& out, const EscapeRow& row)
{
    return out << row.name;
}

const EscapeRow kEscapeRows[] = {
    {"IacDoubled", {}, {'a', 0xFF, 'b'}, {'a', 0xFF, 0xFF, 'b'}},
    {"CrNulBeforeBinary", {}, {'\r', '\n', '\r'}, {'\r', 0, '\n', '\r', 0}},
    {"CrAloneInBinary", {kIac, kDo, 0}, {'\r', '\n', '\r'}, {'\r', '\n', '\r'}},
    {"ServerBinaryLeavesTheClientsCrNul", {kIac, kWill, 0}, {'\r'}, {'\r', 0}},
};

class TelnetEscapeRows : public ::testing::TestWithParam<EscapeRow> {};

TEST_P(TelnetEscapeRows, Escapes)
{
    const EscapeRow& row = GetParam();
    TelnetSession session;
    session.openingRequest();
    Bytes data, reply, out;
    session.receive(row.agreement.data(), row.agreement.size(), data, reply);
    session.escape(row.in.data(), row.in.size(), out);
    EXPECT_EQ(out, row.out);
}

INSTANTIATE_TEST_SUITE_P(Data, TelnetEscapeRows, ::testing::ValuesIn(kEscapeRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Every byte value, escaped by one side and decoded by the other in the same
// mode, comes back unchanged.
TEST(TelnetSession, EveryByteValueRoundTrips)
{
    Bytes all;
    for (int b = 0; b < 256; ++b)
        all.push_back(uint8_t(b));
    all = all + Bytes{'\r', 0, '\r', '\r', 0xFF, 0xFF, '\r'};
    const struct {
        const char* name;
        Bytes agreement;
    } modes[] = {{"text", {}}, {"binary", {kIac, kDo, 0, kIac, kWill, 0}}};
    for (const auto& mode : modes) {
        SCOPED_TRACE(mode.name);
        TelnetSession sender, receiver;
        sender.openingRequest();
        receiver.openingRequest();
        Bytes data, reply, wire;
        sender.receive(mode.agreement.data(), mode.agreement.size(), data, reply);
        receiver.receive(mode.agreement.data(), mode.agreement.size(), data, reply);
        sender.escape(all.data(), all.size(), wire);
        receiver.receive(wire.data(), wire.size(), data, reply);
        EXPECT_EQ(data, all);
        EXPECT_EQ(reply, Bytes{});
    }
}

}  // namespace
}  // namespace lumivex::telnet
