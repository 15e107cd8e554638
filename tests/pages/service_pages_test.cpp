// The panel on controllers a real lumivexd holds on a private bus, with
// zepta-sim and the simulated DDC/CI library behind it; the panel runs
// in-process and offscreen as in the page tests.

#include "ctl_process.h"
#include "page_operations.h"
#include "panel/service_entries.h"
#include "private_bus.h"
#include "pty_pair.h"
#include "service_process.h"
#include "sim_process.h"
#include "vcp_writes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <future>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

// One bus for the program: QtDBus keeps the first session connection it makes.
struct BusEnvironment : ::testing::Environment {
    void SetUp() override { bus = std::make_unique<PrivateBus>(); }
    void TearDown() override { bus.reset(); }
    std::unique_ptr<PrivateBus> bus;
};
[[maybe_unused]] auto* const kBus = ::testing::AddGlobalTestEnvironment(new BusEnvironment);

// lumivexd holding "lobby-east" (a K420 on zepta-sim) and "wall-ddc" (the simulated library's K410).
struct HeldService {
    HeldService() { writeInventory(dir.path(), {{"lobby-east", sim.slavePath()}, {"wall-ddc", "ddc"}}); }
    std::string path(const char* file) const { return (dir / file).string(); }

    // Returns once the service has both links open.
    void start()
    {
        ScopedEnv log{{"ZEPTA_SIM_LOG", path("ddc.log")}};
        process.emplace(dir.path());
        ASSERT_TRUE(waitUntil([this] {
            return client.property("lobby-east", "Available").toBool() && client.property("wall-ddc", "Available").toBool();
        })) << process->errors();
    }
    void signal(int number)
    {
        ::kill(process->pid(), number);
        if (number == SIGKILL)
            process->waitForExit();
    }

    // Whether the last write the controller received is the row's.
    bool received(const Row& row, bool ddc) const
    {
        if (ddc) {
            const VcpWrites writes = vcpWrites(path("ddc.log"));
            return !writes.empty() && writes.back() == std::pair<unsigned, unsigned>(row.write.vcp, row.write.value);
        }
        // The last frame that changes something: read requests (commands 3, 4 and 26) are passed over.
        std::vector<Bytes> frames = loggedBytes(path("sim.log"), "rx");
        std::erase_if(frames, [](const Bytes& f) { return f.size() == 4 && (f[1] == 3 || f[1] == 4 || f[1] == 26); });
        return !frames.empty() && frames.back() == row.frame;
    }

    TempDir dir;
    SimProcess sim{{"--persist", "--model", "K420", "--log", path("sim.log")}};
    ServiceClient client{"held-service"};
    std::optional<ServiceProcess> process;
};

const Row& row(const char* name)
{
    return *std::find_if(std::begin(kRows), std::end(kRows), [name](const Row& r) { return r.name == std::string(name); });
}

}  // namespace

// Each kind, with the panel open before the service starts: listed after
// the ports, Load, lumivex-ctl beside a Setting click, the service killed
// or stopped under the loaded page, then the next click once it is back.
TEST(ServicePanel, EachKindGoesThroughTheServiceBesideTheCommandLineAndOutlivesItsFaults)
{
    const struct {
        QString name, other;
        InterfaceMode mode;
        QString model;
    } kinds[] = {{"lobby-east", "wall-ddc", InterfaceMode::Serial, "K420"},
                 {"wall-ddc", "lobby-east", InterfaceMode::DdcCi, "K410"}};
    test::PtyPair port;
    ScopedEnv com200{{"ZEPTA_COM200", port.path()}};
    for (const auto& kind : kinds) {
        for (const int fault : {SIGKILL, SIGSTOP}) {
            SCOPED_TRACE(::testing::Message() << kind.name.toStdString() << ", signal " << fault);
            const bool ddc = kind.mode == InterfaceMode::DdcCi;
            HeldService service;
            PageFixture f;
            const auto listed = [&f](const QString& name) { return f.portBox().findText(name); };
            EXPECT_EQ(listed(kind.name), -1);
            service.start();
            ASSERT_TRUE(waitUntil([&] { return PageFixture::settle(), listed("wall-ddc") >= 0; }));
            EXPECT_EQ(listed("COM200") + 1, listed("lobby-east"));
            EXPECT_EQ(listed("lobby-east") + 1, listed("wall-ddc"));

            f.sheet.link().setReplyWait(std::chrono::milliseconds(500));  // a stopped service: given up after 1.5 s
            f.load(kind.name);
            EXPECT_EQ(f.messages.texts, QStringList{"Open " + kind.name + " successfully"});
            EXPECT_EQ(f.state(), PageFixture::loaded(kind.mode));
            EXPECT_EQ(f.sheet.windowTitle(), "ZEPTA-Lumivex " + kind.model + " V1.5");
            // Beside the panel's click: run on its own thread, as another program.
            auto ctl = std::async(std::launch::async, [&] {
                return runCtl({"-c", kind.name.toStdString(), "status", "--json"},
                              {{"LUMIVEX_INVENTORY", service.path("controllers.ini")}});
            });
            f.showTab(2);
            click(f, Image::kLockId);
            EXPECT_TRUE(waitUntil([&] { return service.received(row("LOCK"), ddc); }));
            const CtlRun status = ctl.get();
            EXPECT_EQ(status.exitCode, 0) << status.err;
            EXPECT_NE(status.out.find(kind.model.toStdString()), std::string::npos);

            service.signal(fault);
            f.messages.texts.clear();
            click(f, Image::kUnlockId);
            ASSERT_EQ(f.messages.texts.size(), 1) << f.messages.texts.join('\n').toStdString();
            EXPECT_TRUE(f.messages.texts[0].contains("lumivexd") && f.messages.texts[0].contains(kind.name));
            EXPECT_EQ(f.state(), PageFixture::loaded(kind.mode));
            if (fault == SIGKILL) {  // the loaded one stays listed
                EXPECT_TRUE(waitUntil([&] { return PageFixture::settle(), listed(kind.other) < 0 && listed(kind.name) >= 0; }));
                service.start();
            } else {
                service.signal(SIGCONT);
            }
            f.messages.texts.clear();
            click(f, Image::kDviId);
            EXPECT_TRUE(f.messages.texts.isEmpty()) << f.messages.texts.join('\n').toStdString();
            EXPECT_TRUE(waitUntil([&] { return service.received(row("DVI"), ddc); }));
        }
    }
}

// Load after a port another model answered on names the held controller's
// model; a name the service no longer holds is told in one line, the one logged.
TEST(ServicePanel, LoadAsksTheHeldControllerAfreshOrTellsWhyNot)
{
    SimProcess direct{{"--persist", "--model", "K410"}};
    ScopedEnv com201{{"ZEPTA_COM201", direct.slavePath()}};
    HeldService service;
    ASSERT_NO_FATAL_FAILURE(service.start());
    PageFixture f;
    for (const auto& [name, model] : {std::pair{"COM201", "K410"}, {"lobby-east", "K420"}}) {
        f.load(name);
        EXPECT_EQ(f.sheet.windowTitle(), QStringLiteral("ZEPTA-Lumivex %1 V1.5").arg(model)) << name;
        f.unload();
    }
    RecordingDdc local;
    DdcRoute route(local);
    f.messages.texts.clear();
    QString logged;
    f.sheet.withLink([&](LinkState& link, MessageService& messages) {
        EXPECT_EQ(loadHeldController(link, messages, route, "lobby-west", &logged), LoadResult::Failed);
    });
    EXPECT_EQ(f.messages.texts, QStringList{"lumivexd holds no controller lobby-west"});
    EXPECT_EQ(logged, f.messages.texts.value(0));
}
