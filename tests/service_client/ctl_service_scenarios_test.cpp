// lumivex-ctl through a real lumivexd on a private bus, one row a kind of
// client scenario: what goes through the service must print and end as the
// same run does directly on a second simulator set the same way.

#include "ctl_process.h"
#include "private_bus.h"
#include "sim_process.h"
#include "temp_dir.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <thread>

using namespace lumivex::testing;
namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

// A controller lumivexd holds, named wall, and its twin opened directly.
struct Room {
    explicit Room(bool policy, Args heldOptions = {})
    {
        // The policy's row runs lumivex-ctl as nobody, who reads these files.
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        heldOptions.insert(heldOptions.begin(), {"--persist", "--log", (dir / "held.log").string()});
        held.emplace(heldOptions);
        std::ofstream(dir / "controllers.ini") << "[Controller wall]\nLink = " << held->slavePath()
                                               << "\n[Controller desk]\nLink = ddc\n";
        // The simulated DDC/CI library, for the service and the direct runs alike.
        setenv("ZEPTA_DDCHELPER", (binDir() + "/libDDCHelper-sim.so").c_str(), 1);
        std::ofstream(dir / "lumivexd.ini") << "[Service]\nState directory = " << (dir / "state").string()
                                            << "\nZEPTA.ini = " << (dir / "ZEPTA.ini").string() << "\n";
        std::ofstream(dir / "ZEPTA.ini") << "[Link]\n";
        fs::permissions(dir / "ZEPTA.ini", fs::perms::all);
        bus.emplace(policy ? std::optional<fs::path>(LUMIVEX_SOURCE_DIR "/packaging/dbus/org.lumivex.Lumivex1.conf")
                           : std::nullopt);
    }

    ~Room() { stopService(); }

    // Started, and its controller open, before it returns.
    void startService()
    {
        service = std::make_unique<QProcess>();
        service->setProgram(QString::fromStdString(binDir() + "/lumivexd"));
        service->setArguments({"--config", QString::fromStdString((dir / "lumivexd.ini").string()), "--inventory",
                               QString::fromStdString((dir / "controllers.ini").string()), "--bus", "session"});
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZEPTA_REPLY_WAIT_MS", QString::number(kGenerousReplyWait.count()));
        env.insert("ZEPTA_SIM_LOG", QString::fromStdString((dir / "service-ddc.log").string()));
        service->setProcessEnvironment(env);
        service->setProcessChannelMode(QProcess::SeparateChannels);
        service->setReadChannel(QProcess::StandardError);
        service->start();
        ASSERT_TRUE(service->waitForStarted(int(kSimPatience.count())));
        QByteArray said;
        while (said.count("opened ") < 2) {
            ASSERT_TRUE(service->waitForReadyRead(int(kSimPatience.count()))) << "lumivexd said: " << said.toStdString();
            said += service->readAllStandardError();
        }
    }

    void stopService()
    {
        if (!service)
            return;
        service->kill();
        service->waitForFinished(int(kSimPatience.count()));
        service.reset();
    }

    size_t requestsSeen() { return loggedBytes((dir / "held.log").string(), "rx").size(); }
    // The DDC/CI calls the service made.
    size_t ddcCallsSeen()
    {
        std::ifstream log(dir / "service-ddc.log");
        return size_t(std::count(std::istreambuf_iterator<char>(log), {}, '\n'));
    }

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
    std::unique_ptr<QProcess> service;
};

enum class Service { Running, None, KilledMidCall, Restarted, Stopped };

struct Scenario {
    const char* kind;
    Service service;
    bool policy = false;
    bool asNobody = false;
    Args args;                 // the run through the service; {held} is the controller's port
    Args twinArgs = {};        // the same run on the twin; empty: none to compare with
    int exitCode = 0;          // when there is no twin
    const char* saying = "";   // in stderr, when there is no twin
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
    if (row.service == Service::Restarted) {
        room.stopService();
        ASSERT_NO_FATAL_FAILURE(room.startService());
    }
    // A stopped process keeps its name on the bus and answers nothing.
    if (row.service == Service::Stopped) {
        ASSERT_EQ(::kill(pid_t(room.service->processId()), SIGSTOP), 0);
    }
    const size_t ddcCalls = room.ddcCallsSeen();
    CtlRun run;
    if (row.service == Service::KilledMidCall) {
        const size_t before = room.requestsSeen();
        std::thread client([&] { run = runCtl(room.expand(row.args)); });
        // The request is at the controller: the service dies with the call open.
        const bool asked = waitUntil([&] { return room.requestsSeen() > before; });
        room.stopService();
        client.join();
        ASSERT_TRUE(asked) << "the request never reached the controller";
    } else if (row.asNobody) {
        run = runCtlThrough({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"},
                            room.expand(row.args));
    } else {
        run = runCtl(room.expand(row.args));
    }
    if (row.twinArgs.empty()) {
        EXPECT_EQ(run.exitCode, row.exitCode) << row.kind << "\nstderr: " << run.err;
        EXPECT_NE(run.err.find(row.saying), std::string::npos) << row.kind << "\nstderr: " << run.err;
        return;
    }
    // The simulated library is no exclusive port: the service's log shows the way taken.
    if (row.service == Service::Running && std::find(row.args.begin(), row.args.end(), "desk") != row.args.end()) {
        EXPECT_GT(room.ddcCallsSeen(), ddcCalls) << row.kind << ": the DDC/CI calls did not go through lumivexd";
    }
    const CtlRun direct = runCtl(room.expand(row.twinArgs));
    EXPECT_EQ(run.exitCode, direct.exitCode) << row.kind << "\nstderr: " << run.err << "\ndirect: " << direct.err;
    // The ports' names are the runs' only difference.
    const std::string& held = room.held->slavePath();
    ASSERT_FALSE(held.empty() || room.twin.slavePath().empty()) << "a simulator did not start";
    std::string out = run.out;
    for (size_t at = 0; (at = out.find(held, at)) != std::string::npos; at += room.twin.slavePath().size())
        out.replace(at, held.size(), room.twin.slavePath());
    EXPECT_EQ(out, direct.out) << row.kind;
    EXPECT_EQ(run.exitCode, 0) << row.kind << "\nstderr: " << run.err;
}

const Scenario kScenarios[] = {
    {"status by name", Service::Running, false, false, {"-c", "wall", "status"}, {"--link", "{twin}", "status"}},
    {"set by name", Service::Running, false, false, {"-c", "wall", "set", "power", "off"},
     {"--link", "{twin}", "set", "power", "off"}},
    {"DDC/CI status by name", Service::Running, false, false, {"-c", "desk", "status"}, {"--link", "ddc", "status"}},
    {"DDC/CI set by name", Service::Running, false, false, {"-c", "desk", "set", "input", "dvi"},
     {"--link", "ddc", "set", "input", "dvi"}},
    {"a link to the held port, in JSON", Service::Running, false, false, {"--link", "{held}", "--json", "status"},
     {"--link", "{twin}", "--json", "status"}},
    {"no service: by name, directly", Service::None, false, false, {"-c", "wall", "status"},
     {"--link", "{twin}", "status"}},
    {"the service restarted", Service::Restarted, false, false, {"-c", "wall", "model"}, {"--link", "{twin}", "model"}},
    {"root under the bus policy", Service::Running, true, false, {"-c", "wall", "set", "osd", "lock"},
     {"--link", "{twin}", "set", "osd", "lock"}},
    {"a change by a user outside the group, refused", Service::Running, true, true,
     {"-c", "wall", "set", "power", "on"}, {}, 5, "only root and the group lumivex may change a controller"},
    {"a read by a user outside the group", Service::Running, true, true, {"-c", "wall", "status"},
     {"--link", "{twin}", "status"}},
    {"--direct on the held port", Service::Running, false, false, {"--direct", "-c", "wall", "status"}, {}, 3,
     "is held by lumivexd (controller wall); leave out --direct"},
    {"a service that answers nothing", Service::Stopped, false, false, {"-c", "wall", "--wait", "200", "status"}, {}, 2,
     "lumivexd did not"},
    {"the service killed mid-call", Service::KilledMidCall, false, false, {"-c", "wall", "status"}, {}, 2, "lumivexd",
     {"--delay", "3000"}},
};

INSTANTIATE_TEST_SUITE_P(Clients, ClientScenarios, ::testing::ValuesIn(kScenarios), [](const auto& info) {
    std::string name = info.param.kind;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

}  // namespace
