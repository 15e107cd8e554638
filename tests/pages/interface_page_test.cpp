// The Interface page on the real widgets: loading DDC/CI through the
// simulated library, loading COM ports served by zepta-sim, faults of the
// port, Unload, and the serial notifications.

#include "captured_stderr.h"
#include "link/serial/com_port_map.h"
#include "page_fixture.h"
#include "pty_pair.h"
#include "link/serial/serial_notify_event.h"
#include "sim_process.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

using namespace lumivex;
using lumivex::testing::CapturedStderr;
using lumivex::testing::PageFixture;
using lumivex::testing::RecordingDdc;
using lumivex::testing::ScopedEnv;
using lumivex::testing::SimProcess;

namespace {

const QString kStartTitle = "ZEPTA Lumivex V1.3";

}  // namespace

TEST(InterfacePage, StartsUnloadedOnDdc2BiWithTheOpenablePortsListed)
{
    SimProcess sim;
    ASSERT_TRUE(sim.started());
    ScopedEnv com200{{"ZEPTA_COM200", sim.slavePath()}};
    ScopedEnv com201{{"ZEPTA_COM201", "/nonexistent/tty"}};
    PageFixture f;
    EXPECT_EQ(f.state(), PageFixture::kUnloaded);
    EXPECT_EQ(f.portBox().currentText(), "DDC2Bi");
    EXPECT_EQ(f.portBox().itemText(0), "DDC2Bi");
    EXPECT_NE(f.portBox().findText("COM200"), -1);
    EXPECT_EQ(f.portBox().findText("COM201"), -1);
    EXPECT_EQ(f.sheet.modelIndex(), PageHost::kNoModel);
}

TEST(InterfacePage, LoadDdc2Bi)
{
    const struct {
        const char* model;
        const char* monitors;
        QStringList messages;
        PageFixture::State state;
        QString title;
        int32_t index;
    } cases[] = {
        {"K410", "1", {"Open DDC2BI successfully"}, PageFixture::loaded(InterfaceMode::DdcCi),
         "ZEPTA-Lumivex K410 V1.5", 0},
        {"K420", "1", {"Open DDC2BI successfully"}, PageFixture::loaded(InterfaceMode::DdcCi),
         "ZEPTA-Lumivex K420 V1.5", 1},
        {"K410", "0", {"Check DDC Port Fail"}, PageFixture::kUnloaded, kStartTitle, PageHost::kNoModel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.model << ", monitors " << c.monitors);
        ScopedEnv sim{{"ZEPTA_SIM_MODEL", c.model}, {"ZEPTA_SIM_MONITORS", c.monitors}};
        PageFixture f;
        f.load("DDC2Bi");
        EXPECT_EQ(f.messages.texts, c.messages);
        EXPECT_EQ(f.state(), c.state);
        EXPECT_EQ(f.sheet.windowTitle(), c.title);
        EXPECT_EQ(f.sheet.modelIndex(), c.index);
    }
}

// Any other model value names no model and keeps the index.
TEST(InterfacePage, AnUnknownModelKeepsTheIndexOfTheLastKnownOne)
{
    auto owned = std::make_unique<RecordingDdc>();
    RecordingDdc& ddc = *owned;
    ddc.monitors = 1;
    ddc.readValue = 0xF801;
    PageFixture f(std::move(owned));
    f.load("DDC2Bi");
    ASSERT_EQ(f.sheet.modelIndex(), 1);
    f.unload();
    ddc.readValue = 0x1234;
    f.load("DDC2Bi");
    EXPECT_EQ(f.sheet.windowTitle(), "ZEPTA-Lumivex V1.5");
    EXPECT_EQ(f.sheet.modelIndex(), 1);
}

TEST(InterfacePage, LoadComPortServedByZeptaSim)
{
    const struct {
        const char* name;
        std::vector<std::string> simArgs;
        QString title;
        int32_t index;
        std::chrono::milliseconds wait = lumivex::testing::kGenerousReplyWait;
    } cases[] = {
        {"K410", {"--model", "K410"}, "ZEPTA-Lumivex K410 V1.5", 0},
        {"K420", {"--model", "K420"}, "ZEPTA-Lumivex K420 V1.5", 1},
        {"K420 after stray bytes", {"--model", "K420", "--noise", "7"}, "ZEPTA-Lumivex K420 V1.5", 1},
        {"no reply means the first model", {"--model", "K420", "--no-reply"}, "ZEPTA-Lumivex K410 V1.5", 0,
         lumivex::testing::kSilentDeviceWait},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimProcess sim(c.simArgs);
        ASSERT_TRUE(sim.started());
        ScopedEnv com3{{"ZEPTA_COM3", sim.slavePath()}};
        PageFixture f;
        f.sheet.link().setReplyWait(c.wait);
        f.load("COM3");
        EXPECT_EQ(f.messages.texts, QStringList{"Open COM3 successfully"});
        EXPECT_EQ(f.state(), PageFixture::loaded(InterfaceMode::Serial));
        EXPECT_EQ(f.sheet.windowTitle(), c.title);
        EXPECT_EQ(f.sheet.modelIndex(), c.index);
        EXPECT_TRUE(f.sheet.link().port().isOpen());
        EXPECT_EQ(f.sheet.link().port().baudRate(), 115200);
        EXPECT_EQ(f.sheet.link().port().handshake(), kSerialHandshakeOff);
    }
}

TEST(InterfacePage, PortFaults)
{
    SimProcess sim({"--persist"});
    ASSERT_TRUE(sim.started());
    ScopedEnv com5{{"ZEPTA_COM5", sim.slavePath()}};
    ScopedEnv com7{{"ZEPTA_COM7", "/nonexistent/ttyUSB9"}};
    const struct {
        const char* name;
        QString text;
        bool rejectLine;
        QStringList messages;
        PageFixture::State state;
        std::vector<std::string> opened;
        std::string logged;  // stderr: the reason the message box leaves out
    } cases[] = {
        {"cannot be opened", "COM7", false, {"Unable to open COM7 and unload comport "}, PageFixture::kUnloaded,
         {"COM7"}, "lumivex: COM7 cannot be opened (/nonexistent/ttyUSB9: No such file or directory)\n"},
        {"typed text is tried as it stands", "COMxyz", false, {"Unable to open COMxyz and unload comport "},
         PageFixture::kUnloaded, {"COMxyz"}, "lumivex: COMxyz cannot be opened (COMxyz: No such file or directory)\n"},
        {"line set-up rejected", "COM5", true,
         {"Open COM5 successfully", "Unable to set COM-port setting", "Unable to set COM-port handshaking",
          "Interface port unload"},
         PageFixture::loaded(InterfaceMode::None), {"COM5"}, ""},
        {"neither DDC2Bi nor COM", "ddc2bi", false, {}, PageFixture::kUnloaded, {}, ""},
        {"shorter than COM", "CO", false, {}, PageFixture::kUnloaded, {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PageFixture f;
        auto& port = f.spyPort();
        port.rejectLine = c.rejectLine;
        CapturedStderr log;
        f.load(c.text);
        EXPECT_EQ(log.text(), c.logged);
        EXPECT_EQ(f.messages.texts, c.messages);
        EXPECT_EQ(f.state(), c.state);
        EXPECT_EQ(port.opened, c.opened);
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(f.sheet.windowTitle(), kStartTitle);
        EXPECT_EQ(f.sheet.modelIndex(), PageHost::kNoModel);
    }
}

TEST(InterfacePage, UnloadReleasesThePortAndKeepsTheReceiveBuffer)
{
    SimProcess sim({"--persist", "--model", "K420"});
    ASSERT_TRUE(sim.started());
    ScopedEnv com4{{"ZEPTA_COM4", sim.slavePath()}};
    PageFixture f;
    f.load("COM4");
    ASSERT_EQ(f.sheet.modelIndex(), 1);
    const ReceiveBuffer received = f.sheet.link().receiveBuffer();
    ASSERT_EQ(received.entry(0), 4) << "the model reply is in the buffer";
    ASSERT_EQ(CSerial::probe("COM4"), 2) << "in use while loaded";

    f.messages.texts.clear();
    f.unload();
    EXPECT_EQ(f.messages.texts, QStringList{"Unload all devices"});
    EXPECT_EQ(f.state(), PageFixture::kUnloaded);
    EXPECT_EQ(CSerial::probe("COM4"), 0) << "another program can open it";
    for (int i = 0; i < ReceiveBuffer::kWritableEntries; ++i)
        ASSERT_EQ(f.sheet.link().receiveBuffer().entry(i), received.entry(i)) << i;
    EXPECT_EQ(f.sheet.link().receiveBuffer().writePosition(), received.writePosition());

    f.messages.texts.clear();
    f.load("COM4");
    EXPECT_EQ(f.messages.texts, QStringList{"Open COM4 successfully"}) << "loads again after Unload";
}

TEST(InterfacePage, AnotherControllerIsNotNamedByTheRepliesOfTheOneBefore)
{
    SimProcess first({"--model", "K420", "--persist"});
    SimProcess second({"--model", "K410", "--persist"});
    ASSERT_TRUE(first.started() && second.started());
    ScopedEnv com4{{"ZEPTA_COM4", first.slavePath()}};
    ScopedEnv com6{{"ZEPTA_COM6", second.slavePath()}};
    PageFixture f;
    f.load("COM4");
    ASSERT_EQ(f.sheet.windowTitle(), "ZEPTA-Lumivex K420 V1.5");
    f.unload();
    f.load("COM6");
    EXPECT_EQ(f.sheet.windowTitle(), "ZEPTA-Lumivex K410 V1.5");
    EXPECT_EQ(f.sheet.modelIndex(), 0);
}

TEST(InterfacePage, NotificationsDrainOnlyWhenCharactersArrive)
{
    lumivex::test::PtyPair device;
    ScopedEnv com9{{"ZEPTA_COM9", device.path()}};
    PageFixture f;
    f.sheet.link().setReplyWait(lumivex::testing::kSilentDeviceWait);  // the model query goes unanswered
    auto& port = f.spyPort();
    f.load("COM9");
    ASSERT_EQ(f.sheet.link().interfaceMode(), InterfaceMode::Serial);
    ReceiveBuffer& buffer = f.sheet.link().receiveBuffer();
    buffer.resetWritePosition();

    // Between exchanges: the port's own notification moves the bytes in.
    device.send({0x09, 0x04, 0xF8});
    ASSERT_TRUE(lumivex::test::processEventsUntil([&] { return buffer.writePosition() == 3; }));
    EXPECT_EQ(buffer.entry(2), -8);

    // A break or line error alone reads nothing.
    device.send(lumivex::test::pattern(10));
    ASSERT_TRUE(device.waitForInput(10));
    port.reads.clear();
    for (uint32_t events : {kSerialEventBreak, kSerialEventError, kSerialEventBreak | kSerialEventError}) {
        SerialNotifyEvent notification(CSerialWnd::defaultComMsg(),
                                       SerialNotifyEvent::pack(events, kSerialErrorFrame), 0);
        QCoreApplication::sendEvent(&f.page(), &notification);
    }
    EXPECT_TRUE(port.reads.empty());
    EXPECT_EQ(device.inputWaiting(), 10u);

    // A burst larger than one read goes in within one drain.
    device.send(lumivex::test::pattern(690));
    ASSERT_TRUE(device.waitForInput(700));
    SerialNotifyEvent received(CSerialWnd::defaultComMsg(), SerialNotifyEvent::pack(kSerialEventRxChar, 0), 0);
    QCoreApplication::sendEvent(&f.page(), &received);
    EXPECT_EQ(port.reads, (std::vector<uint32_t>{500, 200}));
    EXPECT_EQ(buffer.writePosition(), uint8_t(3 + 700));
}

TEST(InterfacePage, APortHeldByAnotherProgramIsNotListedAndCannotBeLoaded)
{
    lumivex::test::PtyPair device;
    ScopedEnv com8{{"ZEPTA_COM8", device.path()}};
    CSerial other;  // another program's hold: its lock refuses every other opening
    ASSERT_EQ(other.open("COM8"), kSerialSuccess);
    PageFixture f;
    EXPECT_EQ(f.portBox().findText("COM8"), -1);
    f.load("COM8");
    EXPECT_EQ(f.messages.texts, QStringList{"Unable to open COM8 and unload comport "});
    EXPECT_EQ(f.state(), PageFixture::kUnloaded);
}

// Load and Unload a thousand times: the descriptors and threads the port
// takes are all given back.
TEST(InterfacePage, AThousandLoadsLeaveNothingBehind)
{
    const auto count = [](const char* folder) {
        return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator{});
    };
    lumivex::test::PtyPair device;
    ScopedEnv com9{{"ZEPTA_COM9", device.path()}};
    auto owned = std::make_unique<RecordingDdc>();
    owned->monitors = 1;
    owned->readValue = 0xF800;
    PageFixture f(std::move(owned));
    f.sheet.link().setReplyWait(std::chrono::milliseconds(0));  // the model query need not wait for a device that never answers
    for (const char* link : {"COM9", "DDC2Bi"}) {
        SCOPED_TRACE(link);
        f.load(link);
        f.unload();
        QCoreApplication::processEvents();
        const auto fds = count("/proc/self/fd");
        const auto threads = count("/proc/self/task");
        int loads = 0;
        for (int i = 0; i < 1000; ++i) {
            f.load(link);
            loads += f.button(System::kUnloadId).isEnabled();
            f.unload();
            f.messages.texts.clear();
        }
        EXPECT_EQ(loads, 1000);
        // A joined thread can linger a moment in /proc; a leaked one never
        // leaves. Start-up work still running when the counts were taken may
        // end meanwhile, so fewer is no leak.
        EXPECT_TRUE(lumivex::test::processEventsUntil([&] {
            return count("/proc/self/fd") <= fds && count("/proc/self/task") <= threads;
        })) << count("/proc/self/fd") << " descriptors (" << fds << " before), " << count("/proc/self/task")
            << " threads (" << threads << " before)";
        EXPECT_EQ(f.state(), PageFixture::kUnloaded);
    }
}

namespace {

// A pseudo-terminal whose slave side only the panel opens.
class PseudoTerminal {
public:
    PseudoTerminal()
        : m_master(posix_openpt(O_RDWR | O_NOCTTY))
    {
        char name[128] = {};
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0
            && ptsname_r(m_master, name, sizeof name) == 0)
            m_slave = name;
    }
    ~PseudoTerminal()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slave() const { return m_slave; }

private:
    int m_master;
    std::string m_slave;
};

// The global map reads this INI file for the scope.
class ScopedPortsIni {
public:
    explicit ScopedPortsIni(const std::filesystem::path& ini) { ComPortMap::global().setIniPath(ini); }
    ~ScopedPortsIni() { ComPortMap::global().setPortsLookup({}); }
    ScopedPortsIni(const ScopedPortsIni&) = delete;
    ScopedPortsIni& operator=(const ScopedPortsIni&) = delete;
};

}  // namespace

// Adapters plugged in and out while the panel runs: [Ports] names a link
// in a folder, and the link is made and removed under it.
TEST(InterfacePage, ThePortListFollowsDevicesComingAndGoingButKeepsTheLoadedOne)
{
    lumivex::testing::TempDir dir;
    IniProfile ini(dir / "ZEPTA.ini");
    ASSERT_TRUE(ini.writeString("Ports", "COM7", (dir / "ttyX").string()));
    ASSERT_TRUE(ini.writeString("Ports", "COM8", (dir / "ttyY").string()));
    ScopedPortsIni ports(ini.path());
    PseudoTerminal first, second;
    ASSERT_FALSE(first.slave().empty());
    ASSERT_FALSE(second.slave().empty());
    std::filesystem::create_symlink(second.slave(), dir / "ttyY");

    PageFixture f;
    QComboBox& box = f.portBox();
    ASSERT_NE(box.findText("COM8"), -1) << "there at start";
    ASSERT_EQ(box.findText("COM7"), -1);

    std::filesystem::create_symlink(first.slave(), dir / "ttyX");
    ASSERT_TRUE(lumivex::test::processEventsUntil([&] { return box.findText("COM7") != -1; }));
    EXPECT_LT(box.findText("COM7"), box.findText("COM8")) << "in COM order";
    EXPECT_GT(box.findText("COM7"), 0) << "after DDC2Bi";
    EXPECT_EQ(box.currentText(), "DDC2Bi") << "the choice stays";

    std::filesystem::remove(dir / "ttyX");
    ASSERT_TRUE(lumivex::test::processEventsUntil([&] { return box.findText("COM7") == -1; }));

    // Loaded, COM8 stays listed when its device goes.
    f.sheet.link().setReplyWait(std::chrono::milliseconds(0));  // nothing answers the model query
    box.setCurrentIndex(box.findText("COM8"));
    f.button(System::kLoadId).click();
    ASSERT_EQ(f.state(), PageFixture::loaded(InterfaceMode::Serial));
    std::filesystem::remove(dir / "ttyY");
    std::filesystem::create_symlink(first.slave(), dir / "ttyX");
    // Told after ttyY's removal, so that removal has been handled too.
    ASSERT_TRUE(lumivex::test::processEventsUntil([&] { return box.findText("COM7") != -1; }));
    EXPECT_NE(box.findText("COM8"), -1) << "the loaded one stays";
    EXPECT_EQ(box.currentText(), "COM8") << "the choice stays when a row comes in before it";

    // Unloaded, it goes, and the choice falls back to DDC2Bi.
    f.unload();
    EXPECT_TRUE(lumivex::test::processEventsUntil([&] { return box.findText("COM8") == -1; }));
    EXPECT_EQ(box.currentText(), "DDC2Bi");
    EXPECT_NE(box.findText("COM7"), -1);
}
