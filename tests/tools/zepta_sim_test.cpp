// zepta-sim as the panel meets it: a pseudo-terminal whose path it prints,
// the exact frames in its log, its replies and faults, and its end.

#include "sim_process.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <numeric>
#include <cctype>

using namespace lumivex::testing;

namespace {

uint8_t byteSum(const Bytes& bytes)
{
    return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

// 2026-12-07T20:05:31.123456: local time to the microsecond.
bool isTimestamp(const std::string& text)
{
    const std::string shape = "dddd-dd-ddTdd:dd:dd.dddddd";
    if (text.size() != shape.size())
        return false;
    for (size_t i = 0; i < shape.size(); ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        if (shape[i] == 'd' ? !digit : text[i] != shape[i])
            return false;
    }
    return true;
}

const Bytes kInputDvi{0x04, 0x1B, 0x02, 0xDF};
const Bytes kSettingsRequest{0x04, 0x04, 0x00, 0xF8};
const Bytes kModelRequest{0x04, 0x1A, 0x00, 0xE2};

}  // namespace

// Each frame received, with what the controller made of it: the four
// settings and actions applied (or taken and lost), the request answered.
TEST(ZeptaSim, PrintsItsPathAndLogsEveryFrameInHexWithATimestamp)
{
    for (const auto& [args, taken] : {std::pair{std::vector<std::string>{}, "applied"}, {{"--forget-writes"}, "forgotten"}}) {
        TempDir dir;
        const std::string log = (dir / "sim.log").string();
        std::vector<std::string> all = args;
        all.insert(all.end(), {"--log", log});
        SimProcess sim(all);
        ASSERT_TRUE(sim.started());
        EXPECT_EQ(sim.slavePath().rfind("/dev/pts/", 0), 0u) << sim.slavePath();

        const std::vector<Bytes> sent{kInputDvi, {0x05, 0x02, 0x04, 0x00, 0xF5}, {0x07, 0x18, 0x00, 0x19, 0x1E, 0x01, 0xA9},
                                      {0x05, 0x19, 0x08, 0x02, 0xD8}, kModelRequest};
        PortClient port(sim.slavePath());
        ASSERT_TRUE(port.isOpen());
        for (const Bytes& frame : sent)
            port.write(frame);
        ASSERT_TRUE(waitUntil([&] { return loggedBytes(log, "rx").size() == sent.size(); }));
        EXPECT_EQ(loggedBytes(log, "rx"), sent);

        std::vector<std::string> notes;
        for (const LogLine& line : readLog(log)) {
            SCOPED_TRACE(line.kind + " " + line.note);
            EXPECT_TRUE(isTimestamp(line.timestamp)) << line.timestamp;
            if (line.kind == "rx")
                notes.push_back(line.note);
        }
        EXPECT_EQ(notes, (std::vector<std::string>{taken, taken, taken, taken, "answered"}));
    }
}

TEST(ZeptaSim, AnswersForItsModelAndWiring)
{
    struct Case {
        std::vector<std::string> args;
        Bytes request;
        Bytes reply;
    };
    const Case cases[] = {
        {{}, kModelRequest, {0x04, 0x1A, 0x00, 0xE2}},
        {{"--model", "K420"}, kModelRequest, {0x04, 0x1A, 0x01, 0xE1}},
        {{"--gpi", "9"}, kSettingsRequest, {0x09, 0x04, 0x00, 0x01, 0x00, 0x00, 0x09, 0x00, 0xE9}},
        {{}, {0x04, 0x03, 0x00, 0xF9}, {0x08, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF5}},
        // Input DVI taken and lost: the settings still say VGA.
        {{"--forget-writes"}, {0x04, 0x1B, 0x02, 0xDF, 0x04, 0x04, 0x00, 0xF8}, {0x09, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xF2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args) + " " + ::testing::PrintToString(c.request));
        SimProcess sim(c.args);
        ASSERT_TRUE(sim.started());
        PortClient port(sim.slavePath());
        port.write(c.request);
        const Bytes reply = port.read(c.reply.size());
        EXPECT_EQ(reply, c.reply);
        EXPECT_EQ(byteSum(reply), 0);
    }
}

TEST(ZeptaSim, NoiseComesBeforeTheReplyAndNeverLooksLikeALength)
{
    SimProcess sim({"--noise", "5"});
    ASSERT_TRUE(sim.started()) << "is LUMIVEX_BIN_DIR set?";
    PortClient port(sim.slavePath());
    port.write(kSettingsRequest);
    const Bytes got = port.read(5 + 9);
    ASSERT_EQ(got.size(), 14u);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_GE(got[i], 0x80) << "stray byte " << i;
    EXPECT_EQ(Bytes(got.begin() + 5, got.begin() + 7), (Bytes{0x09, 0x04}));
}

TEST(ZeptaSim, NoReplyAppliesCommandsButNeverAnswers)
{
    TempDir dir;
    const std::string log = (dir / "sim.log").string();
    SimProcess sim({"--no-reply", "--log", log});
    ASSERT_TRUE(sim.started()) << "is LUMIVEX_BIN_DIR set?";
    PortClient port(sim.slavePath());
    port.write(kInputDvi);
    port.write(kSettingsRequest);
    port.write(kModelRequest);
    // Replies go out as soon as each request is handled, so once the last
    // frame is logged any reply would be waiting already.
    ASSERT_TRUE(waitUntil([&] { return loggedBytes(log, "rx").size() == 3; }));
    EXPECT_TRUE(port.readAvailable().empty());
    EXPECT_TRUE(loggedBytes(log, "tx").empty());
}

TEST(ZeptaSim, ADelayedReplyFollowsFramesSentMeanwhile)
{
    TempDir dir;
    const std::string log = (dir / "sim.log").string();
    SimProcess sim({"--delay", "1000", "--log", log});
    ASSERT_TRUE(sim.started()) << "is LUMIVEX_BIN_DIR set?";
    PortClient port(sim.slavePath());
    port.write(kSettingsRequest);
    port.write(kInputDvi);
    EXPECT_EQ(port.read(9).size(), 9u);
    // The simulator logs what it sent once the write has returned.
    EXPECT_TRUE(waitUntil([&] { return readLog(log).size() >= 3; }));
    std::vector<std::string> order;
    for (const LogLine& line : readLog(log))
        order.push_back(line.kind + " " + std::to_string(line.bytes.at(1)));
    // The reply carries the state of the moment the request arrived.
    EXPECT_EQ(order, (std::vector<std::string>{"rx 4", "rx 27", "tx 4"}));
}

TEST(ZeptaSim, StrayBytesAreSkippedAndTheNextFrameIsFound)
{
    TempDir dir;
    const std::string log = (dir / "sim.log").string();
    SimProcess sim({"--log", log});
    ASSERT_TRUE(sim.started()) << "is LUMIVEX_BIN_DIR set?";
    PortClient port(sim.slavePath());
    port.write({0xF8, 0x04, 0x1B, 0x02, 0xDE});  // noise, then a frame with a wrong checksum
    port.write(kInputDvi);
    ASSERT_TRUE(waitUntil([&] { return loggedBytes(log, "rx").size() == 1; }));
    EXPECT_EQ(loggedBytes(log, "rx").front(), kInputDvi);
    Bytes skipped;
    for (const Bytes& b : loggedBytes(log, "skip"))
        skipped.insert(skipped.end(), b.begin(), b.end());
    EXPECT_EQ(skipped, (Bytes{0xF8, 0x04, 0x1B, 0x02, 0xDE}));
}

TEST(ZeptaSim, EndsCleanlyOnSigterm)
{
    SimProcess sim;
    ASSERT_TRUE(sim.started());
    PortClient port(sim.slavePath());
    EXPECT_EQ(sim.terminate(), 0);
}

TEST(ZeptaSim, EndsWhenThePanelClosesAfterASessionButNotAfterAProbe)
{
    SimProcess sim;
    ASSERT_TRUE(sim.started()) << "is LUMIVEX_BIN_DIR set?";
    {
        PortClient probe(sim.slavePath());  // opened and closed without a word
    }
    PortClient port(sim.slavePath());
    port.write(kModelRequest);
    EXPECT_EQ(port.read(4).size(), 4u) << "still serving after the probe";
    port.close();
    EXPECT_EQ(sim.waitForExit(), 0);
}

TEST(ZeptaSim, PersistServesTheNextOpeningToo)
{
    SimProcess sim({"--persist"});
    ASSERT_TRUE(sim.started()) << "is LUMIVEX_BIN_DIR set?";
    for (int session = 0; session < 3; ++session) {
        SCOPED_TRACE(session);
        PortClient port(sim.slavePath());
        port.write(kModelRequest);
        EXPECT_EQ(port.read(4), (Bytes{0x04, 0x1A, 0x00, 0xE2}));
    }
    EXPECT_EQ(kill(sim.pid(), 0), 0) << "still running";
    EXPECT_EQ(sim.terminate(), 0);
}

TEST(ZeptaSim, APanelThatNeverReadsCannotBlockIt)
{
    TempDir dir;
    const std::string log = (dir / "sim.log").string();
    SimProcess sim({"--noise", "4096", "--log", log});
    ASSERT_TRUE(sim.started()) << "is LUMIVEX_BIN_DIR set?";
    PortClient port(sim.slavePath());
    // Far more reply bytes than the line holds, none of them read.
    for (int i = 0; i < 64; ++i)
        port.write(kSettingsRequest);
    ASSERT_TRUE(waitUntil([&] { return loggedBytes(log, "rx").size() == 64; }));
    // Replies go out after their frame is logged: the drop may come a moment later.
    EXPECT_TRUE(waitUntil([&] { return !loggedBytes(log, "drop").empty(); }));
    EXPECT_EQ(sim.terminate(), 0) << "still answers a stop signal";
}
