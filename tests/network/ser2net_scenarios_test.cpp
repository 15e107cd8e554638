// The controller behind ser2net, a real serial device server, on loopback:
// the panel loads it as COM5 from [Ports], and lumivex-ctl reaches it by
// --link, through a raw and an RFC 2217 accepter, with the server serving,
// busy, gone, silent or without its serial device.

#include "link/serial/com_port_map.h"
#include "ctl_process.h"
#include "page_fixture.h"
#include "ser2net_process.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

enum class Accepter { Raw, Rfc2217 };

enum class Server {
    Serving,      // ser2net in front of zepta-sim
    InUse,        // another client holds the one connection
    Stopped,      // nothing listens any more
    NeverAnswers, // the kernel accepts, nothing reads or answers
    GoesAway,     // stops after the Load, before the Setting read-back
    NoDevice,     // its serial device does not exist
};

struct Scenario {
    const char* name;
    Accepter accepter;
    Server server;
    QStringList panelMessages;  // Load, then the Setting tab
    int ctlExit;                // -1: no lumivex-ctl run
    std::string ctlError;       // the start of its one error line, after the link
};

const QString kOpened = "Open COM5 successfully";
const QString kUnable = "Unable to open COM5 and unload comport ";

const Scenario kScenarios[] = {
    {"RawServing", Accepter::Raw, Server::Serving, {kOpened}, 0, ""},
    {"Rfc2217Serving", Accepter::Rfc2217, Server::Serving, {kOpened}, 0, ""},
    {"RawInUse", Accepter::Raw, Server::InUse, {kUnable}, 3,
     " is in use by another client (the server closed the connection at once)"},
    {"Rfc2217InUse", Accepter::Rfc2217, Server::InUse, {kUnable}, 3, " is in use by another client"},
    {"RawStopped", Accepter::Raw, Server::Stopped, {kUnable}, 3, " refused the connection"},
    {"Rfc2217Stopped", Accepter::Rfc2217, Server::Stopped, {kUnable}, 3, " refused the connection"},
    {"Rfc2217NeverAnswers", Accepter::Rfc2217, Server::NeverAnswers, {kUnable}, 3,
     " is in use by another client, or no RFC 2217 server (no line set-up within 2 s)"},
    {"RawGoesAway", Accepter::Raw, Server::GoesAway, {kOpened, "Read RS232 Data Fail"}, -1, ""},
    {"Rfc2217GoesAway", Accepter::Rfc2217, Server::GoesAway, {kOpened, "Read RS232 Data Fail"}, -1, ""},
    {"RawNoDevice", Accepter::Raw, Server::NoDevice, {kUnable}, 3,
     ": the server closed the connection at once: its serial device is busy or cannot be opened"},
    {"Rfc2217NoDevice", Accepter::Rfc2217, Server::NoDevice, {kUnable}, 3,
     ": the server closed the connection at once: its serial device is busy or cannot be opened"},
};

class Ser2NetScenario : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Ser2NetProcess::installed()) << "ser2net is missing: scripts/setup installs it";
        sim = std::make_unique<SimProcess>(std::vector<std::string>{"--persist"});
        ASSERT_TRUE(sim->started());
        server = std::make_unique<Ser2NetProcess>(sim->slavePath(), folder.path().string());
        ASSERT_TRUE(server->started()) << server->output();
    }

    std::string link() const
    {
        if (GetParam().server == Server::NeverAnswers)
            return "rfc2217://127.0.0.1:" + std::to_string(silent.port());
        const bool raw = GetParam().accepter == Accepter::Raw;
        if (GetParam().server == Server::NoDevice)
            return server->link(raw ? Ser2NetAccepter::RawNoDevice : Ser2NetAccepter::Rfc2217NoDevice);
        return raw ? server->rawLink() : server->rfc2217Link();
    }
    uint16_t port() const
    {
        return GetParam().accepter == Accepter::Raw ? server->rawPort() : server->rfc2217Port();
    }

    TempDir folder;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<Ser2NetProcess> server;
    SilentListener silent;
    std::optional<HeldConnection> holder;
};

TEST_P(Ser2NetScenario, PanelAndCtl)
{
    const Scenario& row = GetParam();
    if (row.server == Server::InUse) {
        holder.emplace(port());
        ASSERT_TRUE(holder->connected());
    }
    if (row.server == Server::Stopped)
        server->stop();

    {
        PageFixture f;
        f.profile.writeString("Ports", "COM5", link());
        ComPortMap::global().setIniPath(f.profile.path());
        f.load("COM5");
        if (row.server == Server::GoesAway)
            server->stop();
        if (f.sheet.link().interfaceMode() == InterfaceMode::Serial)
            f.showTab(2);
        ComPortMap::global().setPortsLookup({});
        EXPECT_EQ(f.messages.texts, row.panelMessages);
        if (row.server == Server::Serving) {
            EXPECT_EQ(f.sheet.windowTitle(), "ZEPTA-Lumivex K410 V1.5");
        }
    }

    if (row.ctlExit < 0)
        return;
    const CtlRun run = runCtl({"--link", link(), "status"});
    EXPECT_EQ(run.exitCode, row.ctlExit) << run.err;
    if (row.ctlExit == 0)
        EXPECT_NE(run.out.find("model            K410\n"), std::string::npos) << run.out;
    else
        EXPECT_EQ(run.err.rfind("lumivex-ctl: " + link() + row.ctlError, 0), 0u) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Ser2Net, Ser2NetScenario, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
