// lumivex-ctl's use of the panel's rules, in the test's own process where
// the process-level tests cannot look: what status and save show of a
// snapshot, and what apply sends under DDC/CI to the monitor --monitor
// chose, on the simulated DDC/CI library.

#include "link/command_table.h"
#include "control/snapshot.h"
#include "lumivex-ctl/status_output.h"
#include "control/outcome.h"
#include "lumivex-ctl/ctl_fleet.h"
#include "lumivex-ctl/fleet_folder.h"
#include "control/setup_file.h"
#include "temp_dir.h"
#include "vcp_writes.h"

#include <gtest/gtest.h>

#include <QJsonValue>

#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace lumivex;
using namespace lumivex::ctl;
using namespace lumivex::control;
using lumivex::testing::TempDir;
using lumivex::testing::VcpWrites;
using lumivex::testing::vcpWrites;

TEST(CtlShows, RotationOnlyWhereTheLinkReadsItAndTheMaskInTenths)
{
    const struct {
        const char* name;
        bool rotationKnown;
        int32_t hTenths, vTenths;
        const char* savedMask;  // the lines save writes for them
    } cases[] = {
        {"serial: the reply carries the rotation", true, 25, 13, "\nh=2.5\nv=1.3\n"},
        {"DDC/CI: no rotation to show", false, 7, 100, "\nh=0.7\nv=10.0\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Snapshot s;
        s.model = 0;
        s.setting.rotation = 1;
        s.rotationKnown = c.rotationKnown;
        s.display.hTenths = c.hTenths;
        s.display.vTenths = c.vTenths;
        const QString saved = setupFileText(s, QStringLiteral("COM1"));
        EXPECT_EQ(saved.contains(QStringLiteral("\nrotation=rotated\n")), c.rotationKnown) << saved.toStdString();
        EXPECT_TRUE(saved.contains(QLatin1String(c.savedMask))) << saved.toStdString();
        EXPECT_EQ(statusText(s).contains(QStringLiteral("\nrotation ")), c.rotationKnown);
        // The file says how to load it back onto the same link.
        EXPECT_TRUE(saved.contains(QStringLiteral("\n; Edit it and load it with: lumivex-ctl --link COM1 apply FILE\n")));
        EXPECT_EQ(statusJson(s, QStringLiteral("COM1")).value(QStringLiteral("rotation")),
                  c.rotationKnown ? QJsonValue(QStringLiteral("rotated")) : QJsonValue());
    }
}

TEST(CtlOverDdcCi, ApplySendsWhatTheFileSaysToTheMonitorChosen)
{
    const struct {
        const char* name;
        const char* model;
        int monitor;  // of two
        const char* file;
        VcpWrites writes;
        int code;             // how runVerb ends
        const char* failure;  // part of its line
    } cases[] = {
        {"the layout is a write of its own", "K410", 0, "[Device]\nresolution=8\nlayout=2x2\n", {{0xB0, 8}, {0xB1, 2}},
         kExitOk, ""},
        // The rotation cannot be read back, so what the device has is unknown.
        {"normal is sent", "K410", 0, "[Device]\nrotation=normal\n", {{0xFC, 2}}, kExitOk, ""},
        {"rotated is sent and not checked", "K410", 0, "[Device]\nrotation=rotated\n", {{0xFC, 3}}, kExitOk, ""},
        // A K420 reads input 0 after a reset: its own set-up goes back to it.
        {"a K420 reading VGA is left as it is", "K420", 0, "[Device]\ninput=vga\n", {}, kExitOk, ""},
        {"only V differs: the mask is sent", "K410", 0, "[Mask]\nv=2.5\n", {{0xB2, 25}}, kExitOk, ""},
        {"10000 mm is a size", "K410", 0, "[Sizes]\nbezel width=10000\n", {}, kExitOk, ""},
        {"the last monitor", "K410", 1, "[Device]\npower=off\n", {{0xD6, 0}}, kExitOk, ""},
        {"one past the last monitor", "K410", 2, "[Device]\npower=off\n", {}, kExitNoLink, "no monitor 2 (2 found)"},
    };
    const char* binDir = std::getenv("LUMIVEX_BIN_DIR");
    ASSERT_NE(binDir, nullptr);
    setenv("ZEPTA_DDCHELPER", (std::string(binDir) + "/libDDCHelper-sim.so").c_str(), 1);
    setenv("ZEPTA_SIM_MONITORS", "2", 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        setenv("ZEPTA_SIM_MODEL", c.model, 1);
        setenv("ZEPTA_SIM_LOG", (dir / "ddc.log").c_str(), 1);
        std::ofstream(dir / "setup.ini") << c.file;
        Request request;
        request.verb = QStringLiteral("apply");
        request.args = QStringList{QString::fromStdString((dir / "setup.ini").string())};
        request.links = {parseLinkTarget(QStringLiteral("ddc"), c.monitor)};
        request.iniPath = QString::fromStdString((dir / "ZEPTA.ini").string());
        readVerbInput(request);
        const LinkResult ended = runOnLinks(request).front();
        EXPECT_EQ(ended.code, c.code) << ended.failure.toStdString();
        EXPECT_TRUE(ended.failure.contains(QLatin1String(c.failure))) << ended.failure.toStdString();
        EXPECT_EQ(vcpWrites(dir / "ddc.log"), c.writes);
    }
    for (const char* name : {"ZEPTA_DDCHELPER", "ZEPTA_SIM_MONITORS", "ZEPTA_SIM_MODEL", "ZEPTA_SIM_LOG"})
        unsetenv(name);
}

TEST(CtlExitCodes, EachReadBackOutcomeHasItsCode)
{
    EXPECT_EQ(exitCodeFor(ReadBackOutcome::Read), kExitOk);
    EXPECT_EQ(exitCodeFor(ReadBackOutcome::NoLink), kExitNoLink);
    EXPECT_EQ(exitCodeFor(ReadBackOutcome::DdcReadFailed), kExitNoAnswer);
    EXPECT_EQ(exitCodeFor(ReadBackOutcome::NoReply), kExitNoAnswer);
}

TEST(CtlNames, ALabelOrAnIndexWithinTheList)
{
    const QStringList labels{QStringLiteral("1x1"), QStringLiteral("2x2")};
    const struct {
        const char* name;
        const char* text;
        std::optional<int> index;
    } rows[] = {
        {"a label", "2x2", 1}, {"the last index", "1", 1}, {"one past the last", "2", std::nullopt},
        {"negative", "-1", std::nullopt}, {"neither", "3x3", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(pickLabel(labels, QString::fromLatin1(row.text)), row.index);
    }
}

TEST(CtlFleetFolder, OneFileNameALinkWhateverItsText)
{
    const struct {
        const char* link;
        const char* file;
    } rows[] = {
        {"rfc2217://10.0.0.5:4001", "rfc2217-10.0.0.5-4001.ini"},
        {"tcp://[::1]:4001", "tcp-1-4001.ini"},
        {"/dev/serial/by-id/usb-FTDI_A1-if00", "dev-serial-by-id-usb-FTDI_A1-if00.ini"},
        {"ddc:1", "ddc-1.ini"},
        {"COM12", "COM12.ini"},
        {"/dev/tty\xC3\xA9 x", "dev-tty-x.ini"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(fleetFileName(QString::fromUtf8(row.link)).toStdString(), row.file) << row.link;
}
