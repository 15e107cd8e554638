// The clients' side of lumivexd without a bus: the byte port's frames and
// waits over a scripted exchange, which held controller a link names, and
// the kind each error name is.

#include "control/controller_link.h"
#include "link/channel_rules.h"
#include "link/protocol.h"
#include "link/serial_frame.h"
#include "link/service/bus_presence.h"
#include "link/service/service_byte_port.h"
#include "link/service/service_directory.h"
#include "link/service/service_fault.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace lumivex;
using namespace lumivex::service_link;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

struct Call {
    Bytes request;
    std::chrono::milliseconds wait;
};

// Records each exchange and answers with the next scripted reply (none:
// the call failed).
struct ScriptedExchange {
    std::vector<Call> calls;
    std::vector<std::optional<Bytes>> replies;

    ServiceBytePort port()
    {
        return ServiceBytePort([this](std::span<const uint8_t> request, std::chrono::milliseconds wait) {
            calls.push_back({Bytes(request.begin(), request.end()), wait});
            std::optional<Bytes> reply = replies.empty() ? std::optional<Bytes>(Bytes{}) : replies.front();
            if (!replies.empty())
                replies.erase(replies.begin());
            return reply;
        });
    }
};

// A row's kind as a test name.
const auto rowName = [](const auto& info) {
    std::string name = info.param.kind;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
};

Bytes frame(uint8_t command, Bytes values)
{
    SerialFrame f;
    const auto filled = f.fill(command, values);
    return Bytes(filled.begin(), filled.end());
}

Bytes modelReply(uint8_t model)
{
    Bytes reply{protocol::kModelReplyLength, protocol::kCmdModelRequest, model};
    reply.push_back(frameChecksum(reply));
    return reply;
}

Bytes readAll(BytePort& port)
{
    Bytes out(64);
    out.resize(port.readAvailable(out.data(), uint32_t(out.size())));
    return out;
}

struct FramingRow {
    const char* kind;
    std::vector<Bytes> written;          // frames, byte by byte
    std::optional<std::chrono::milliseconds> waitFor;  // then waitForInput(now + this)
    std::vector<Bytes> sent;             // the exchanges' requests, in order
    std::vector<bool> waited;            // whether each exchange asked for a wait
};

void PrintTo(const FramingRow& row, std::ostream* os) { *os << row.kind; }

class Framing : public ::testing::TestWithParam<FramingRow> {};

TEST_P(Framing, FramesGoOutWholeAndReadRequestsWaitForTheirReply)
{
    const FramingRow& row = GetParam();
    ScriptedExchange script;
    ServiceBytePort port = script.port();
    for (const Bytes& f : row.written)
        for (uint8_t b : f)
            port.writeByte(b);
    if (row.waitFor)
        port.waitForInput(BytePort::Clock::now() + *row.waitFor);
    ASSERT_EQ(script.calls.size(), row.sent.size()) << row.kind;
    for (size_t i = 0; i < row.sent.size(); ++i) {
        EXPECT_EQ(script.calls[i].request, row.sent[i]) << row.kind << ", exchange " << i;
        EXPECT_EQ(script.calls[i].wait > 0ms, bool(row.waited[i])) << row.kind << ", exchange " << i;
        EXPECT_LE(script.calls[i].wait, std::clamp(row.waitFor.value_or(0ms), 0ms, ServiceBytePort::kLongestWait))
            << row.kind;
    }
}

const Bytes kPowerOn = frame(protocol::kCmdPower, {1});
const Bytes kModelAsk = frame(protocol::kCmdModelRequest, {0});
const Bytes kSettingsAsk = frame(protocol::kCmdSettingsRequest, {0});

INSTANTIATE_TEST_SUITE_P(
    Frames, Framing,
    ::testing::Values(
        FramingRow{"two commands", {kPowerOn, kPowerOn}, std::nullopt, {kPowerOn, kPowerOn}, {false, false}},
        FramingRow{"a command cut short", {Bytes(kPowerOn.begin(), kPowerOn.end() - 1)}, std::nullopt, {}, {}},
        FramingRow{"a read request not yet waited for", {kModelAsk}, std::nullopt, {}, {}},
        FramingRow{"a read request and its wait", {kSettingsAsk}, 400ms, {kSettingsAsk}, {true}},
        FramingRow{"a read request left, then a command", {kModelAsk, kPowerOn}, std::nullopt, {kModelAsk, kPowerOn},
                   {false, false}},
        FramingRow{"a wait already over", {kModelAsk}, -5ms, {kModelAsk}, {false}},
        FramingRow{"a wait longer than the service takes", {kModelAsk}, 60s, {kModelAsk}, {true}},
        FramingRow{"a length byte of 0", {Bytes{0}}, std::nullopt, {Bytes{0}}, {false}}),
    rowName);

TEST(ServiceBytePort, TheChannelRulesReadAReplyThroughIt)
{
    ScriptedExchange script;
    // Stray bytes before the reply, as a line may carry.
    Bytes answer{0x55};
    const Bytes reply = modelReply(1);
    answer.insert(answer.end(), reply.begin(), reply.end());
    script.replies = {answer};
    ServiceBytePort port = script.port();
    SerialFrame frame;
    ReceiveBuffer buffer;
    const ReplyScan scan = requestAndScan(port, frame, buffer, requests::kModel, 300ms);
    ASSERT_TRUE(scan.position);
    EXPECT_EQ(decodeModelReply(buffer, *scan.position).model, 1);
    ASSERT_EQ(script.calls.size(), 1u);
    EXPECT_EQ(script.calls.front().request, kModelAsk);
}

TEST(ServiceBytePort, AFailedExchangeBringsNothingAndEndsTheWait)
{
    ScriptedExchange script;
    script.replies = {std::nullopt};
    ServiceBytePort port = script.port();
    for (uint8_t b : kModelAsk)
        port.writeByte(b);
    EXPECT_FALSE(port.waitForInput(BytePort::Clock::now() + 200ms));
    EXPECT_TRUE(readAll(port).empty());
    // Nothing more is asked: the next wait ends at once.
    EXPECT_FALSE(port.waitForInput(BytePort::Clock::now() + 200ms));
    EXPECT_EQ(script.calls.size(), 1u);
}

// Which held controller a link reaches.
struct ResolveRow {
    const char* kind;
    const char* link;  // as --link takes it; {dir} is the test's folder
    std::optional<const char*> reaches;
};

void PrintTo(const ResolveRow& row, std::ostream* os) { *os << row.kind; }

class Resolution : public ::testing::TestWithParam<ResolveRow> {};

TEST_P(Resolution, ALinkReachesTheControllerOnTheSameDeviceOrAddress)
{
    const ResolveRow& row = GetParam();
    lumivex::testing::TempDir dir;
    std::ofstream(dir / "ttyS7");
    std::filesystem::create_symlink(dir / "ttyS7", dir / "by-id-wall");
    std::ofstream(dir / "ttyS8");
    // COM7 is the device ttyS7 here, as ZEPTA_COM7 maps it.
    setenv("ZEPTA_COM7", (dir / "ttyS7").c_str(), 1);
    const auto at = [&](QString text) { return text.replace(QStringLiteral("{dir}"), QString::fromStdString(dir.path().string())); };
    const std::vector<HeldController> held{
        {"lobby-west", "COM7", "serial", "/p/1"},
        {"lobby-east", "rfc2217://Wall-East.example:4001", "serial", "/p/2"},
        {"foyer", at("{dir}/ttyS8"), "serial", "/p/3"},
        {"desk", "ddc:1", "ddc", "/p/4"},
    };
    const control::LinkTarget target = control::parseLinkTarget(at(QString::fromLatin1(row.link)), 0);
    const auto found = matchHeld(held, target);
    unsetenv("ZEPTA_COM7");
    if (!row.reaches)
        EXPECT_FALSE(found) << row.kind << ": reached " << held[found.value_or(0)].name.toStdString();
    else
        EXPECT_EQ(found ? held[*found].name.toStdString() : std::string("nothing"), *row.reaches) << row.kind;
}

INSTANTIATE_TEST_SUITE_P(
    Links, Resolution,
    ::testing::Values(ResolveRow{"the same COM name", "COM7", "lobby-west"},
                      ResolveRow{"the device a COM name maps to", "{dir}/ttyS7", "lobby-west"},
                      ResolveRow{"a link to that device", "{dir}/by-id-wall", "lobby-west"},
                      ResolveRow{"a path through a dot element", "{dir}/./ttyS8", "foyer"},
                      ResolveRow{"another device", "COM8", std::nullopt},
                      ResolveRow{"the address in another case and protocol", "tcp://wall-east.EXAMPLE:4001", "lobby-east"},
                      ResolveRow{"the same host on another port", "rfc2217://wall-east.example:4002", std::nullopt},
                      ResolveRow{"the held DDC/CI monitor", "ddc:1", "desk"},
                      ResolveRow{"another DDC/CI monitor", "ddc", std::nullopt}),
    rowName);

// The service's own AccessDenied and Unavailable and a name without owner: in the clients' scenarios.
TEST(ServiceFaults, EachErrorNameHasItsKind)
{
    const std::vector<std::pair<const char*, ServiceFault>> rows{
        {"org.freedesktop.DBus.Error.AccessDenied", ServiceFault::Denied},
        {"org.freedesktop.DBus.Error.NoReply", ServiceFault::NoAnswer},
        {"org.lumivex.Lumivex1.Error.NoReply", ServiceFault::NoAnswer},
        {"org.lumivex.Lumivex1.Error.BadRequest", ServiceFault::ServiceError},
        {"org.freedesktop.DBus.Error.UnknownMethod", ServiceFault::ServiceError},
    };
    for (const auto& [name, kind] : rows)
        EXPECT_EQ(faultOfError(QString::fromLatin1(name)), kind) << name;
}

// A bus is asked only when its address is given or its socket is there:
// a file or a folder in the socket's place is no bus.
TEST(BusPresence, AGivenAddressOrALiveSocketPlace)
{
    lumivex::testing::TempDir dir;
    const std::string socketPath = (dir / "bus").string();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::ofstream(dir / "file") << "x";
    std::filesystem::create_directory(dir / "folder");
    const QString at = QString::fromStdString(dir.path().string()) + QLatin1Char('/');
    const struct {
        const char* given;
        QString usual;
        bool present;
    } rows[] = {
        {"unix:path=/nowhere", at + "missing", true},
        {"", at + "bus", true},
        {"  ", at + "bus", true},
        {"", at + "missing", false},
        {"  ", at + "missing", false},
        {"", at + "file", false},
        {"", at + "folder", false},
        {"", QString(), false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(busMayBePresent(QString::fromLatin1(row.given), row.usual), row.present)
            << '"' << row.given << "\" " << row.usual.toStdString();
    // With no address given, a session bus is the socket "bus" in the user's runtime folder.
    const QByteArray saved[] = {qgetenv("DBUS_SESSION_BUS_ADDRESS"), qgetenv("XDG_RUNTIME_DIR")};
    const char* const names[] = {"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"};
    qunsetenv(names[0]);
    for (const auto& [folder, present] : {std::pair{dir.path(), true}, {dir / "folder", false}}) {
        qputenv(names[1], QByteArray::fromStdString(folder.string()));
        EXPECT_EQ(busMayBePresent(true), present) << folder;
    }
    for (int i = 0; i < 2; ++i)
        saved[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], saved[i]);
    ::close(listener);
}

}  // namespace
