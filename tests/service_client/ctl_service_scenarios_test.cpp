// lumivex-ctl through a real lumivexd on a private bus, one row a kind of scenario: the run prints and
// ends as the same run directly on a twin simulator, or a fault ends it with its kind's status and line.

#include "control/service_names.h"
#include "ctl_process.h"
#include "link/service/service_controller.h"
#include "private_bus.h"
#include "service_process.h"
#include "sim_process.h"
#include "vcp_writes.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

using namespace lumivex::testing;
using lumivex::service_link::ServiceFault;
namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

// lumivexd holding wall (a zepta-sim), desk (the simulated DDC/CI library)
// and gone (a port that is not there), and wall's twin opened directly.
struct Room {
    explicit Room(bool policy, Args heldOptions = {})
    {
        // The policy's rows run lumivex-ctl as nobody, who reads these files.
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        heldOptions.insert(heldOptions.begin(), {"--persist", "--log", (dir / "held.log").string()});
        held.emplace(heldOptions);
        writeInventory(dir.path(), {{"wall", held->slavePath()}, {"desk", "ddc"}, {"gone", (dir / "none").string()}});
        // The simulated DDC/CI library, for the direct runs as for the service.
        setenv("ZEPTA_DDCHELPER", (binDir() + "/libDDCHelper-sim.so").c_str(), 1);
        std::ofstream(dir / "ZEPTA.ini") << "[Link]\n";
        fs::permissions(dir / "ZEPTA.ini", fs::perms::all);
        bus.emplace(policy ? std::optional<fs::path>(LUMIVEX_SOURCE_DIR "/packaging/dbus/org.lumivex.Lumivex1.conf")
                           : std::nullopt);
    }

    // Started, and its controllers open, before it returns.
    void startService()
    {
        setenv("ZEPTA_SIM_LOG", (dir / "service-ddc.log").c_str(), 1);  // the service's calls, not the direct runs'
        service.emplace(dir.path());
        unsetenv("ZEPTA_SIM_LOG");
        ServiceClient client("room");
        ASSERT_TRUE(waitUntil([&] {
            return client.property("wall", "Available").toBool() && client.property("desk", "Available").toBool();
        })) << service->errors();
    }

    size_t requestsSeen() { return loggedBytes((dir / "held.log").string(), "rx").size(); }
    size_t ddcWritesSeen() { return vcpWrites(dir / "service-ddc.log").size(); }  // the service's

    // {held} and {twin} in the arguments become their ports.
    Args expand(Args args) const
    {
        for (std::string& arg : args)
            arg = arg == "{held}" ? held->slavePath() : arg == "{twin}" ? twin.slavePath() : arg;
        if (std::find(args.begin(), args.end(), "-c") != args.end())
            args.insert(args.begin(), {"--inventory", (dir / "controllers.ini").string()});
        args.insert(args.begin(), {"--ini", (dir / "ZEPTA.ini").string()});
        return args;
    }

    TempDir dir;
    std::optional<SimProcess> held;
    SimProcess twin{{"--persist"}};
    std::optional<PrivateBus> bus;
    std::optional<ServiceProcess> service;
};

// Edited: the inventory moves wall to another port once the service has read it.
enum class Service { Running, None, KilledMidCall, Stopped, Edited };

struct Scenario {
    const char* kind;
    Service service;
    bool policy = false, asNobody = false;
    Args args;                // the run through the service; {held} is the controller's port
    int exitCode = 0;         // 0: the run ends as it does directly
    const char* saying = "";  // in stderr, when it does not
    std::optional<ServiceFault> told = {};  // the kind the clients' library tells
    Args heldOptions = {};
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.kind; }

class ClientScenarios : public ::testing::TestWithParam<Scenario> {};

TEST_P(ClientScenarios, EndAsTheyDoDirectlyOrNameTheService)
{
    const Scenario& row = GetParam();
    Room room(row.policy, row.heldOptions);
    if (row.service != Service::None) {
        ASSERT_NO_FATAL_FAILURE(room.startService());
    }
    if (row.service == Service::Edited)
        writeInventory(room.dir.path(), {{"wall", (room.dir / "moved").string()}});
    // A stopped process keeps its name on the bus and answers nothing.
    ASSERT_TRUE(row.service != Service::Stopped || ::kill(room.service->pid(), SIGSTOP) == 0);
    const size_t ddcWrites = room.ddcWritesSeen();
    const size_t requests = room.requestsSeen();
    CtlRun run;
    std::thread client([&] {
        const Args args = room.expand(row.args);
        const Args nobody{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        run = row.asNobody ? runCtlThrough(nobody, args) : runCtl(args);
    });
    // Killed once the request is at the controller: the service dies with the call open.
    const bool killed =
        row.service == Service::KilledMidCall && waitUntil([&] { return room.requestsSeen() > requests; });
    if (killed && ::kill(room.service->pid(), SIGKILL) == 0)
        room.service.reset();
    client.join();
    ASSERT_EQ(killed, row.service == Service::KilledMidCall) << "the request never reached the controller";
    if (row.told) {  // what the clients' library tells the panel; these rows name -c's controller first
        const QString name = QString::fromStdString(row.args[1]);
        ServiceClient told("told");
        std::optional<ServiceFault> kind;
        lumivex::service_link::ServiceController(told.bus(), name, lumivex::control::controllerObjectPath(name),
                                                 [&kind](ServiceFault k, const QString&) { kind = k; })
            .exchange(std::vector<uint8_t>{4, 4, 0, 0xF8}, std::chrono::milliseconds(100));
        EXPECT_EQ(kind, row.told);
    }
    if (row.service == Service::Stopped)  // it ends as any other
        ::kill(room.service->pid(), SIGCONT);
    if (row.exitCode != 0) {
        EXPECT_EQ(run.exitCode, row.exitCode) << "stderr: " << run.err;
        EXPECT_NE(run.err.find(row.saying), std::string::npos) << "stderr: " << run.err;
        return;
    }
    // The simulated library is no exclusive port: the service's log shows the way taken.
    EXPECT_TRUE(std::ranges::count(row.args, "desk") == 0 || room.ddcWritesSeen() > ddcWrites)
        << "the DDC/CI write did not go through lumivexd";
    // The same run directly: on wall's twin, and through the library for desk.
    Args twin = row.args;
    for (std::string& arg : twin)
        arg = arg == "-c" ? "--link" : arg == "wall" || arg == "{held}" ? "{twin}" : arg == "desk" ? "ddc" : arg;
    const CtlRun direct = runCtl(room.expand(twin));
    EXPECT_EQ(run.exitCode, direct.exitCode) << "stderr: " << run.err << "\ndirect: " << direct.err;
    // The ports' names are the runs' only difference.
    const std::string& held = room.held->slavePath();
    ASSERT_FALSE(held.empty() || room.twin.slavePath().empty()) << "a simulator did not start";
    std::string out = run.out;
    for (size_t at = 0; (at = out.find(held, at)) != std::string::npos; at += room.twin.slavePath().size())
        out.replace(at, held.size(), room.twin.slavePath());
    EXPECT_EQ(out, direct.out);
    EXPECT_EQ(run.exitCode, 0) << "stderr: " << run.err;
}

// Reads by name are run by the panel's test as well, on both kinds.
const Scenario kScenarios[] = {
    {"DDC/CI set by name", Service::Running, false, false, {"-c", "desk", "set", "input", "dvi"}},
    {"a link to the held port, in JSON", Service::Running, false, false, {"--link", "{held}", "--json", "status"}},
    {"no service: by name, directly", Service::None, false, false, {"-c", "wall", "status"}},
    {"root changes under the bus policy", Service::Running, true, false, {"-c", "wall", "set", "osd", "lock"}},
    {"a read by name by a user outside the group, the file edited since", Service::Edited, true, true,
     {"-c", "wall", "status"}},
    // The service's faults, each kind with its exit status and line.
    {"a change by a user outside the group", Service::Running, true, true, {"-c", "wall", "set", "power", "on"}, 5,
     "lumivex-ctl: lumivexd refused Exchange for controller wall: only root and the group lumivex may change"},
    {"--direct on the held port", Service::Running, false, false, {"--direct", "-c", "wall", "status"}, 3,
     "is held by lumivexd (controller wall); leave out --direct\n"},
    {"a held controller not available", Service::Running, false, false, {"-c", "gone", "status"}, 3,
     "lumivex-ctl: lumivexd: controller gone is not available now: gone is not available (", ServiceFault::Unavailable},
    {"a service that answers nothing", Service::Stopped, false, false, {"-c", "wall", "status"}, 2,
     "lumivex-ctl: lumivexd did not list its controllers: ", ServiceFault::NoAnswer},
    {"the service killed mid-call", Service::KilledMidCall, false, false, {"-c", "wall", "status"}, 2,
     "lumivex-ctl: lumivexd gave no answer to Exchange for controller wall: ", ServiceFault::NoAnswer,
     {"--delay", "3000"}},
    {"a name the inventory lacks", Service::Running, false, false, {"-c", "nowhere", "status"}, 1,
     "controllers.ini names no such controller\n"},
};

INSTANTIATE_TEST_SUITE_P(Clients, ClientScenarios, ::testing::ValuesIn(kScenarios), [](const auto& info) {
    std::string name = info.param.kind;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

}  // namespace
