// The port probe and exclusive use.
#include "link/serial/com_port_map.h"
#include "pty_pair.h"
#include "link/serial/serial.h"
#include "link/serial/serial_error.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/file.h>
#include <unistd.h>

namespace lumivex::test {
namespace {

// Holds a port the way another program does: its own open file and lock.
class OtherProgram {
public:
    explicit OtherProgram(const std::string& path)
        : m_handle(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        if (m_handle >= 0)
            m_locked = flock(m_handle, LOCK_EX | LOCK_NB) == 0;
    }
    ~OtherProgram()
    {
        if (m_handle >= 0)
            ::close(m_handle);
    }
    bool holds() const { return m_locked; }

private:
    int m_handle;
    bool m_locked = false;
};

TEST(SerialProbe, AnswersForEachKindOfPort)
{
    PtyPair free;
    PtyPair heldBySerial;
    PtyPair heldByOther;
    CSerial holder;
    ASSERT_EQ(holder.open(heldBySerial.path().c_str()), kSerialSuccess);
    OtherProgram other(heldByOther.path());
    ASSERT_TRUE(other.holds());
    setenv("ZEPTA_COM90", free.path().c_str(), 1);
    setenv("ZEPTA_COM91", heldByOther.path().c_str(), 1);

    struct Case {
        std::string device;
        int answer;
    };
    const Case cases[] = {
        {free.path(), 0},
        {heldBySerial.path(), 2},
        {heldByOther.path(), 2},
        {"/dev/lumivex-no-such-port", 1},
        {"COM97", 1},       // no path for it
        {"COMxyz", 1},      // opened as given: no such file
        {"/dev/null", -1},  // there, but not a serial port
        {"COM90", 0},
        {"COM91", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        EXPECT_EQ(CSerial::probe(c.device.c_str()), c.answer);
    }
    unsetenv("ZEPTA_COM90");
    unsetenv("ZEPTA_COM91");
}

TEST(SerialProbe, AProbeLeavesThePortFreeToOpen)
{
    PtyPair pty;
    ASSERT_EQ(CSerial::probe(pty.path().c_str()), 0);
    CSerial port;
    EXPECT_EQ(port.open(pty.path().c_str()), kSerialSuccess);
}

// Each kind of failure keeps its errno apart from the status, so the
// device's own 1 and 6 never read as EPERM or ENXIO.
TEST(SerialProbe, AFailuresErrnoIsKeptApartFromTheStatus)
{
    struct Case {
        const char* kind;
        SerialResult result;
        int32_t osError;  // what the result keeps
        int answer;
    };
    const Case cases[] = {
        {"EPERM", osFailure(EPERM), EPERM, kProbeNoPermission},
        {"EACCES", osFailure(EACCES), EACCES, kProbeNoPermission},
        {"ENXIO", osFailure(ENXIO), ENXIO, 1},
        {"ENOENT", osFailure(ENOENT), ENOENT, 1},
        {"EIO", osFailure(EIO), EIO, 1},
        {"EBUSY", osFailure(EBUSY), EBUSY, 2},
        {"a held lock", osFailure(EWOULDBLOCK), EBUSY, 2},
        {"no errno saved", osFailure(0), EIO, 1},
        {"invalid function (1)", {kSerialInvalidFunction, 0}, 0, -1},
        {"invalid handle (6)", {kSerialInvalidHandle, 0}, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(c.result.status == kSerialOsError, c.osError != 0);
        EXPECT_EQ(c.result.osError, c.osError);
        EXPECT_EQ(probeAnswerFromStatus(c.result), c.answer);
    }
}

// A refused node is a port closed to the user only when a UART is behind it.
TEST(SerialProbe, APortClosedToTheUserHasItsOwnAnswer)
{
    lumivex::testing::TempDir sys;
    for (const auto& [port, type] : {std::pair{"ttyS0", "4\n"}, std::pair{"ttyS1", "0\n"}}) {
        std::filesystem::create_directory(sys / port);
        std::ofstream(sys / port / "type") << type;
    }
    const std::pair<const char*, bool> fitted[] = {
        {"/dev/ttyS0", true}, {"/dev/ttyS1", false}, {"/dev/ttyUSB0", true}, {"/tmp/ttyS1", true}};
    for (const auto& [device, expected] : fitted) {
        SCOPED_TRACE(device);
        EXPECT_EQ(uartFitted(device, sys.path().string()), expected);
    }
}

TEST(SerialExclusive, APortInUseFailsToOpenAndTheHolderKeepsIt)
{
    PtyPair pty;
    CSerial first;
    ASSERT_EQ(first.open(pty.path().c_str()), kSerialSuccess);
    CSerial second;
    EXPECT_EQ(second.open(pty.path().c_str()), kSerialOsError);
    EXPECT_EQ(second.lastOsError(), EBUSY);
    EXPECT_FALSE(second.isOpen());
    EXPECT_EQ(first.writeText("ok"), kSerialSuccess);
    EXPECT_EQ(pty.receive(2), (std::vector<uint8_t>{'o', 'k'}));
    ASSERT_EQ(first.close(), kSerialSuccess);
    EXPECT_EQ(second.open(pty.path().c_str()), kSerialSuccess);
}

TEST(SerialExclusive, AComNameOpensThePathItMapsTo)
{
    PtyPair pty;
    setenv("ZEPTA_COM7", pty.path().c_str(), 1);
    CSerial port;
    EXPECT_EQ(port.open("COM7"), kSerialSuccess);
    unsetenv("ZEPTA_COM7");
    EXPECT_EQ(port.writeText("7"), kSerialSuccess);
    EXPECT_EQ(pty.receive(1), std::vector<uint8_t>{'7'});
}

}  // namespace
}  // namespace lumivex::test
