// The network port on its own: every byte value both ways through ser2net's
// RFC 2217 accepter, the line set-up the server confirms, how a raw open
// tells a served connection from a refused one for each way a server can be
// set up, and the bounds on a connect and a write that cannot complete.

#include "link/link_state.h"
#include "link/ddc/monitor_table.h"
#include "link/net/network_port.h"
#include "recording_ddc.h"
#include "ser2net_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

NetworkAddress loopback(NetworkKind kind, uint16_t port)
{
    return {kind, "127.0.0.1", port};
}

// A pseudo-terminal the test plays the device on: ser2net opens the slave.
struct DevicePty {
    DevicePty()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 && tcgetattr(master, &raw) == 0) {
            // Raw from the start, as a device line is; ser2net sets the speed.
            cfmakeraw(&raw);
            tcsetattr(master, TCSANOW, &raw);
            slave = ptsname(master);
        }
    }
    ~DevicePty()
    {
        if (master >= 0)
            ::close(master);
    }
    // Exactly count bytes, or what came before the patience ran out.
    std::vector<uint8_t> read(size_t count)
    {
        std::vector<uint8_t> got;
        waitUntil([&] {
            pollfd entry{master, POLLIN, 0};
            if (::poll(&entry, 1, 10) > 0) {
                uint8_t chunk[512];
                const ssize_t n = ::read(master, chunk, sizeof chunk);
                if (n > 0)
                    got.insert(got.end(), chunk, chunk + n);
            }
            return got.size() >= count;
        });
        return got;
    }
    int master = -1;
    std::string slave;
};

std::vector<uint8_t> everyByteValue()
{
    std::vector<uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i)
        bytes[size_t(i)] = uint8_t(i);
    return bytes;
}

TEST(NetworkPortSer2Net, EveryByteValueBothWaysAndTheLineSetUp)
{
    ASSERT_TRUE(Ser2NetProcess::installed()) << "ser2net is missing: scripts/setup installs it";
    DevicePty device;
    ASSERT_FALSE(device.slave.empty());
    TempDir folder;
    Ser2NetProcess server(device.slave, folder.path().string());
    ASSERT_TRUE(server.started()) << server.output();

    for (NetworkKind kind : {NetworkKind::RawTcp, NetworkKind::Rfc2217}) {
        const bool telnet = kind == NetworkKind::Rfc2217;
        SCOPED_TRACE(telnet ? "rfc2217" : "raw");
        std::atomic<int> notices{0};
        NetworkPort port;
        ASSERT_EQ(port.open(loopback(kind, telnet ? server.rfc2217Port() : server.rawPort()), {},
                            [&] { ++notices; }),
                  0)
            << port.problem();

        const std::vector<uint8_t> bytes = everyByteValue();
        for (uint8_t byte : bytes)
            port.writeByte(byte);
        EXPECT_EQ(device.read(bytes.size()), bytes);

        ASSERT_EQ(::write(device.master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        std::vector<uint8_t> got(bytes.size());
        size_t have = 0;
        while (have < got.size() && port.waitForInput(BytePort::Clock::now() + kSimPatience))
            have += port.readAvailable(got.data() + have, uint32_t(got.size() - have));
        EXPECT_EQ(got, bytes);
        // Told after the bytes are queued, so perhaps after they were taken.
        EXPECT_TRUE(waitUntil([&] { return notices.load() >= 1; }));
        // Taking what came re-arms the notice: the next arrival is told too.
        // Each look takes, as the page's drain does after a notice.
        const int told = notices.load();
        ASSERT_EQ(::write(device.master, bytes.data(), 1), 1);
        EXPECT_TRUE(waitUntil([&] {
            port.readAvailable(got.data(), 1);
            return notices.load() > told;
        }));

        // The server answered the line set-up with the speed it was asked.
        EXPECT_EQ(port.serverBaudRate(), telnet ? 115200u : 0u);
        port.close();
    }
}

struct RefusalRow {
    const char* name;
    std::string words;  // what the server sent before it closed
    ServerRefusal refusal;
};

const RefusalRow kRefusals[] = {
    {"PortInUse", "Port already in use\r\n", ServerRefusal::InUse},
    {"DeviceHeld", "Port's device already in use\r\n", ServerRefusal::DeviceUnavailable},
    {"DeviceMissing", "Device open failure: Value or file not found\r\n", ServerRefusal::DeviceUnavailable},
    {"DeviceOsError", "Device open failure: OS error, see logs\r\n", ServerRefusal::DeviceUnavailable},
    {"Silent", "", ServerRefusal::InUse},
    {"OtherWords", "BUSY\r\n", ServerRefusal::InUse},
};

class ServerWords : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(ServerWords, SayWhyTheServerClosed)
{
    const std::string& words = GetParam().words;
    EXPECT_EQ(refusalFromWords({words.begin(), words.end()}), GetParam().refusal);
}

INSTANTIATE_TEST_SUITE_P(Refusals, ServerWords, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

struct RawOpenRow {
    const char* name;
    Ser2NetAccepter accepter;
    bool held;            // another client holds the accepter's connection first
    int32_t status;       // what open() returns
    std::string problem;  // after the link's text; the kept connection reaches the device when empty
};

const RawOpenRow kRawOpens[] = {
    {"OneClientFree", Ser2NetAccepter::Raw, false, 0, ""},
    {"OneClientHeld", Ser2NetAccepter::Raw, true, EBUSY,
     " is in use by another client (the server closed the connection at once)"},
    {"NoDevice", Ser2NetAccepter::RawNoDevice, false, EIO,
     ": the server closed the connection at once: its serial device is busy or cannot be opened"},
    {"TwoClientsFree", Ser2NetAccepter::RawTwoClients, false, 0, ""},
    {"NewestClientFree", Ser2NetAccepter::RawNewestClient, false, 0, ""},
    {"NewestClientHeld", Ser2NetAccepter::RawNewestClient, true, 0, ""},
};

class RawOpen : public ::testing::TestWithParam<RawOpenRow> {};

TEST_P(RawOpen, KeepsTheServedConnectionOrSaysWhyNot)
{
    const RawOpenRow& row = GetParam();
    ASSERT_TRUE(Ser2NetProcess::installed()) << "ser2net is missing: scripts/setup installs it";
    DevicePty device;
    ASSERT_FALSE(device.slave.empty());
    TempDir folder;
    Ser2NetProcess server(device.slave, folder.path().string());
    ASSERT_TRUE(server.started()) << server.output();
    std::optional<HeldConnection> holder;
    if (row.held) {
        holder.emplace(server.port(row.accepter));
        ASSERT_TRUE(holder->connected());
    }
    // A server that answers the knock not at all decides when this ends:
    // one that hands the line to the newest client must have done so by then.
    NetworkPort::Timing timing;
    timing.settle = std::chrono::seconds(1);
    NetworkPort port;
    EXPECT_EQ(port.open(loopback(NetworkKind::RawTcp, server.port(row.accepter)), timing, {}), row.status)
        << port.problem();
    if (row.status != 0) {
        EXPECT_EQ(port.problem(), server.link(row.accepter) + row.problem);
        EXPECT_FALSE(port.isOpen());
        return;
    }
    port.writeByte(0xA5);
    EXPECT_EQ(device.read(1), std::vector<uint8_t>{0xA5});
    EXPECT_FALSE(port.isBroken());
}

INSTANTIATE_TEST_SUITE_P(Ser2NetSetUps, RawOpen, ::testing::ValuesIn(kRawOpens),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NetworkPortBounds, ConnectThatNeverCompletesEndsAtItsTime)
{
    // A backlog of one, filled: the kernel drops the next handshake.
    SilentListener listener(0);
    HeldConnection first(listener.port());
    ASSERT_TRUE(first.connected());
    NetworkPort port;
    NetworkPort::Timing timing;
    timing.connect = std::chrono::milliseconds(200);
    EXPECT_EQ(port.open(loopback(NetworkKind::RawTcp, listener.port()), timing, {}), ETIMEDOUT);
    EXPECT_EQ(port.problem(), "tcp://127.0.0.1:" + std::to_string(listener.port()) + " did not answer within 0.2 s");
    EXPECT_FALSE(port.isOpen());
}

TEST(NetworkPortBounds, WriteTheServerNeverTakesBreaksTheLinkInsteadOfHanging)
{
    SilentListener listener;
    NetworkPort port;
    NetworkPort::Timing timing;
    timing.write = std::chrono::milliseconds(100);
    ASSERT_EQ(port.open(loopback(NetworkKind::RawTcp, listener.port()), timing, {}), 0) << port.problem();
    size_t written = 0;
    while (!port.isBroken() && written < (size_t(64) << 20)) {
        port.writeByte(0x55);
        ++written;
    }
    EXPECT_TRUE(port.isBroken()) << written << " bytes went out";
    // Later writes and waits return at once.
    port.writeByte(0x55);
    EXPECT_FALSE(port.waitForInput(BytePort::Clock::now() + kSimPatience));
}

}  // namespace

namespace {

// A listener that takes any number of clients and never closes on them.
struct Listener {
    Listener()
    {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(fd, 8) == 0)
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd); }
    int fd = -1;
    uint16_t port = 0;
};

}  // namespace

// With no wait chosen, a read-back waits what its link needs: a serial
// line 100 ms, a device server on the network 500 ms; a chosen wait holds
// for either.
TEST(LinkReplyWait, TheDefaultFollowsTheLinkAndAChoiceHoldsForBoth)
{
    using std::chrono::milliseconds;
    Listener server;
    ASSERT_NE(server.port, 0);
    const std::string address = "tcp://127.0.0.1:" + std::to_string(server.port);
    const struct {
        const char* name;
        bool network;
        std::optional<milliseconds> chosen;
        milliseconds expected;
    } rows[] = {
        {"serial, nothing chosen", false, std::nullopt, milliseconds(100)},
        {"network, nothing chosen", true, std::nullopt, milliseconds(500)},
        {"serial, chosen", false, milliseconds(250), milliseconds(250)},
        {"network, chosen", true, milliseconds(250), milliseconds(250)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        RecordingDdc ddc;
        MonitorTable monitors;
        LinkState link(ddc, monitors);
        link.setReplyWait(row.chosen);
        if (row.network) {
            ASSERT_EQ(link.openNetwork(address, nullptr), 0) << link.networkProblem();
        }
        EXPECT_EQ(link.replyWait(), row.expected);
        link.closePort();
        EXPECT_EQ(link.replyWait(), row.chosen.value_or(milliseconds(100))) << "closed, it is no network link";
    }
}
