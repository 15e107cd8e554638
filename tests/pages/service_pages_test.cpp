// The panel on controllers lumivexd holds: a real lumivexd on a private
// bus, zepta-sim and the simulated DDC/CI library behind it, the panel
// in-process and offscreen as the page tests run it.

#include "page_fixture.h"
#include "page_operations.h"
#include "private_bus.h"
#include "pty_pair.h"
#include "sim_process.h"
#include "vcp_writes.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <csignal>
#include <fstream>

using namespace lumivex;
using namespace lumivex::testing;

namespace {

// One bus for the program: QtDBus keeps the first session connection it makes.
class BusEnvironment : public ::testing::Environment {
    void SetUp() override { m_bus = std::make_unique<PrivateBus>(); }
    void TearDown() override { m_bus.reset(); }
    std::unique_ptr<PrivateBus> m_bus;
};
[[maybe_unused]] auto* const kBus = ::testing::AddGlobalTestEnvironment(new BusEnvironment);

// lumivexd holding "lobby-east" (a K420 on zepta-sim) and "wall-ddc" (the
// simulated library's K410).
class HeldService {
public:
    HeldService()
    {
        std::ofstream(m_dir / "controllers.ini") << "[Controller lobby-east]\nLink = " << m_sim.slavePath()
                                                 << "\n[Controller wall-ddc]\nLink = ddc\n";
        std::ofstream(m_dir / "lumivexd.ini") << "[Service]\nState directory = " << (m_dir / "state").string() << "\n";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZEPTA_DDCHELPER", QString::fromStdString(simLibraryPath()));
        env.insert("ZEPTA_SIM_LOG", QString::fromStdString(ddcLog()));
        m_daemon.setProcessEnvironment(env);
        m_daemon.setReadChannel(QProcess::StandardError);
    }
    ~HeldService() { stop(SIGKILL); }

    // Returns once both links are open: the service says so on stderr.
    void start()
    {
        const auto path = [this](const char* file) { return QString::fromStdString((m_dir / file).string()); };
        m_daemon.start(QString::fromStdString(binDir() + "/lumivexd"),
                       {"--config", path("lumivexd.ini"), "--inventory", path("controllers.ini"), "--bus", "session"});
        QByteArray said;
        while (said.count(": opened") < 2) {
            ASSERT_TRUE(m_daemon.waitForReadyRead(int(kSimPatience.count()))) << said.toStdString();
            said += m_daemon.readAllStandardError();
        }
    }
    void stop(int signal)
    {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(m_daemon.processId()), signal);
        if (signal != SIGSTOP)
            m_daemon.waitForFinished(int(kSimPatience.count()));
    }
    void resume() { ::kill(pid_t(m_daemon.processId()), SIGCONT); }

    std::string inventory() const { return (m_dir / "controllers.ini").string(); }
    std::string simLog() const { return (m_dir / "sim.log").string(); }
    std::string ddcLog() const { return (m_dir / "ddc.log").string(); }

private:
    TempDir m_dir;
    SimProcess m_sim{{"--persist", "--model", "K420", "--log", simLog()}};
    QProcess m_daemon;
};

bool listed(PageFixture& f, const QString& name)
{
    return waitUntil([&] {
        PageFixture::settle();
        return f.portBox().findText(name) >= 0;
    });
}

struct KindRow {
    const char* name;
    InterfaceMode mode;
    QString title;
    // Whether the last thing the device received is the row's.
    std::function<bool(const HeldService&, const Row&)> received;
};

// Buttons of both models, from the pages' shared table.
const Row& row(const char* name)
{
    return *std::find_if(std::begin(kRows), std::end(kRows), [name](const Row& r) { return r.name == std::string(name); });
}

const KindRow kKinds[] = {
    {"lobby-east", InterfaceMode::Serial, "ZEPTA-Lumivex K420 V1.5",
     [](const HeldService& s, const Row& r) {
         const std::vector<Bytes> got = loggedBytes(s.simLog(), "rx");
         return !got.empty() && got.back() == r.frame;
     }},
    {"wall-ddc", InterfaceMode::DdcCi, "ZEPTA-Lumivex K410 V1.5",
     [](const HeldService& s, const Row& r) {
         const VcpWrites writes = vcpWrites(s.ddcLog());
         return !writes.empty() && writes.back() == std::pair<unsigned, unsigned>(r.write.vcp, r.write.value);
     }},
};

}  // namespace

TEST(ServicePanel, HeldControllersFollowThePortsAndTheServiceComingAndGoing)
{
    test::PtyPair port;
    ScopedEnv com200{{"ZEPTA_COM200", port.path()}};
    HeldService service;
    PageFixture f;
    EXPECT_EQ(f.portBox().findText("lobby-east"), -1) << "no service, none listed";
    service.start();
    ASSERT_TRUE(listed(f, "wall-ddc"));
    const int n = f.portBox().count();
    EXPECT_EQ(f.portBox().itemText(n - 3), "COM200");
    EXPECT_EQ(f.portBox().itemText(n - 2), "lobby-east");
    EXPECT_EQ(f.portBox().itemText(n - 1), "wall-ddc");
    service.stop(SIGTERM);
    EXPECT_TRUE(waitUntil([&] {
        PageFixture::settle();
        return f.portBox().itemText(f.portBox().count() - 1) == "COM200";
    }));
}

// Load, a Setting click, the service stopped or killed under the loaded
// page, then the next click after it is back.
TEST(ServicePanel, EachKindLoadsThroughTheServiceAndOutlivesItsFaults)
{
    for (const KindRow& kind : kKinds) {
        for (const int fault : {SIGKILL, SIGSTOP}) {
            SCOPED_TRACE(::testing::Message() << kind.name << ", signal " << fault);
            HeldService service;
            service.start();
            PageFixture f;
            // A stopped service is given up on after this and a second.
            f.sheet.link().setReplyWait(std::chrono::milliseconds(500));
            f.load(kind.name);
            EXPECT_EQ(f.messages.texts, QStringList{QStringLiteral("Open %1 successfully").arg(kind.name)});
            EXPECT_EQ(f.state(), PageFixture::loaded(kind.mode));
            EXPECT_EQ(f.sheet.windowTitle(), kind.title);
            f.showTab(2);
            click(f, Image::kLockId);
            EXPECT_TRUE(waitUntil([&] { return kind.received(service, row("LOCK")); }));

            service.stop(fault);
            f.messages.texts.clear();
            click(f, Image::kUnlockId);
            ASSERT_EQ(f.messages.texts.size(), 1) << f.messages.texts.join('\n').toStdString();
            EXPECT_TRUE(f.messages.texts[0].contains(QLatin1String("lumivexd")));
            EXPECT_TRUE(f.messages.texts[0].contains(QLatin1String(kind.name)));
            EXPECT_EQ(f.state(), PageFixture::loaded(kind.mode));

            if (fault == SIGSTOP)
                service.resume();
            else
                service.start();
            f.messages.texts.clear();
            click(f, Image::kDviId);
            EXPECT_TRUE(f.messages.texts.isEmpty()) << f.messages.texts.join('\n').toStdString();
            EXPECT_TRUE(waitUntil([&] { return kind.received(service, row("DVI")); }));
        }
    }
}

// lumivex-ctl on the controller the panel has loaded: both get their answers.
TEST(ServicePanel, ACommandLineClientSharesTheLoadedController)
{
    HeldService service;
    service.start();
    PageFixture f;
    f.load("lobby-east");
    QProcess ctl;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUMIVEX_INVENTORY", QString::fromStdString(service.inventory()));
    ctl.setProcessEnvironment(env);
    ctl.start(QString::fromStdString(binDir() + "/lumivex-ctl"), {"-c", "lobby-east", "status", "--json"});
    ASSERT_TRUE(ctl.waitForStarted());
    f.messages.texts.clear();
    f.showTab(1);
    f.showTab(2);
    for (const int id : {Image::kLockId, Image::kDviId})
        click(f, id);
    EXPECT_TRUE(waitUntil([&] { return kKinds[0].received(service, row("DVI")); }));
    ctl.waitForFinished(int(kSimPatience.count()));
    ASSERT_EQ(ctl.state(), QProcess::NotRunning);
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardError().toStdString();
    EXPECT_TRUE(ctl.readAllStandardOutput().contains("\"K420\""));
    EXPECT_TRUE(f.messages.texts.isEmpty()) << f.messages.texts.join('\n').toStdString();
}
