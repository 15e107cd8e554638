// The event thread and the notifications it posts.
#include "link/serial/event_type_registry.h"
#include "pty_pair.h"
#include "link/serial/serial_mfc.h"
#include "link/serial/serial_notify_event.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <termios.h>
#include <memory>
#include <thread>

namespace lumivex::test {
namespace {

// Stands for the Interface page: records every notification it is given.
class Receiver : public QObject {
public:
    struct Note {
        QEvent::Type type;
        uint32_t first;
        intptr_t second;
        QThread* thread;
    };

    bool event(QEvent* e) override
    {
        if (e->type() < QEvent::User)
            return QObject::event(e);
        const auto* note = static_cast<SerialNotifyEvent*>(e);
        m_notes.push_back({e->type(), note->firstParameter(), note->secondParameter(),
                           QThread::currentThread()});
        return true;
    }

    std::vector<Note> m_notes;
};

// A port whose notification only counts, on the event thread.
class CountingPort : public CSerialEx {
public:
    ~CountingPort() override { close(); }
    void onEvent(uint32_t events, uint32_t) override
    {
        m_lastEvents.store(events);
        m_count.fetch_add(1);
    }
    std::atomic<int> m_count{0};
    std::atomic<uint32_t> m_lastEvents{0};
};

// An application port that also counts what its thread handled.
class CountingMfc : public CSerialMFC {
public:
    ~CountingMfc() override { close(); }
    void onEvent(uint32_t events, uint32_t errors) override
    {
        CSerialMFC::onEvent(events, errors);
        m_count.fetch_add(1);
    }
    std::atomic<int> m_count{0};
};

// The Interface page's handler: drain in reads of 500 on character received.
class Draining : public QObject {
public:
    Draining(CSerial& port, std::vector<uint8_t>& out) : m_port(port), m_out(out) {}
    bool event(QEvent* e) override
    {
        if (e->type() != CSerialWnd::defaultComMsg())
            return QObject::event(e);
        if (static_cast<SerialNotifyEvent*>(e)->events() & kSerialEventRxChar) {
            uint32_t count = 0;
            do {
                uint8_t buffer[500];
                m_port.read(buffer, sizeof buffer, &count, nullptr, kSerialInfinite);
                m_out.insert(m_out.end(), buffer, buffer + count);
            } while (count == 500);
        }
        return true;
    }
    CSerial& m_port;
    std::vector<uint8_t>& m_out;
};

TEST(SerialNotification, ReachesTheObjectOnItsOwnThreadWithTheStoredParameter)
{
    PtyPair pty;
    Receiver receiver;
    CSerialMFC port;
    ASSERT_EQ(port.open(pty.path().c_str(), &receiver, 0, 0x5A5A, 0, 0), kSerialSuccess);
    pty.send({'h', 'i'});
    ASSERT_TRUE(processEventsUntil([&] { return !receiver.m_notes.empty(); }));
    const Receiver::Note& note = receiver.m_notes.front();
    EXPECT_EQ(note.type, CSerialWnd::defaultComMsg());
    EXPECT_EQ(note.first & 0xFFFFu, kSerialEventRxChar);
    EXPECT_EQ(note.first >> 16, 0u);  // a pseudo-terminal reports no line errors
    EXPECT_EQ(note.second, 0x5A5A);
    EXPECT_EQ(note.thread, QCoreApplication::instance()->thread());
}

TEST(SerialNotification, TheSystemsOpenThenDrainOnEveryNotification)
{
    PtyPair pty;
    std::vector<uint8_t> received;
    CSerialMFC port;
    Draining page(port, received);

    ASSERT_EQ(port.open(pty.path().c_str(), &page, 0, 0, 0, 0), kSerialSuccess);
    ASSERT_EQ(port.setLineParameters(115200, 8, 0, 0), kSerialSuccess);
    ASSERT_EQ(port.setHandshake(0), kSerialSuccess);
    const std::vector<uint8_t> burst = pattern(2000);
    pty.send(burst);
    ASSERT_TRUE(processEventsUntil([&] { return received.size() >= burst.size(); }));
    EXPECT_EQ(received, burst);
    // More input after a drain is news again.
    pty.send({0x09, 0x04});
    ASSERT_TRUE(processEventsUntil([&] { return received.size() >= burst.size() + 2; }));
    EXPECT_EQ(port.close(), kSerialSuccess);
}

// A byte the handler takes while the event thread is looking at the port
// leaves nothing for the thread to report; the next byte must still be
// reported, or the conversation stops with the reply unread.
TEST(SerialNotification, EachNewByteIsReportedAfterTheLastOneWasDrained)
{
    PtyPair pty;
    std::vector<uint8_t> received;
    CSerialMFC port;
    Draining page(port, received);
    ASSERT_EQ(port.open(pty.path().c_str(), &page, 0, 0, 0, 0), kSerialSuccess);
    constexpr size_t kRounds = 5000;
    for (size_t i = 0; i < kRounds; ++i) {
        pty.send({static_cast<uint8_t>(i)});
        ASSERT_TRUE(processEventsUntil([&] { return received.size() > i; }))
            << "byte " << i << " never reported";
    }
    EXPECT_EQ(received.size(), kRounds);
}

TEST(SerialNotification, AnOwnRegisteredMessageIsPostedAndOtherTypesAreRefused)
{
    PtyPair pty;
    Receiver receiver;
    const QEvent::Type own = registeredEventType("LumivexTestNotification");
    CSerialWnd port;
    EXPECT_EQ(port.open(pty.path().c_str(), &receiver, QEvent::MouseMove, 0, 0, 0),
              kSerialInvalidArgument);
    EXPECT_FALSE(port.isOpen());
    ASSERT_EQ(port.open(pty.path().c_str(), &receiver, own, 7, 0, 0), kSerialSuccess);
    pty.send({'x'});
    ASSERT_TRUE(processEventsUntil([&] { return !receiver.m_notes.empty(); }));
    EXPECT_EQ(receiver.m_notes.front().type, own);
    EXPECT_EQ(receiver.m_notes.front().second, 7);
}

TEST(SerialNotification, NothingIsPostedToAnObjectThatHasGone)
{
    PtyPair pty;
    auto receiver = std::make_unique<Receiver>();
    CountingMfc port;
    ASSERT_EQ(port.open(pty.path().c_str(), receiver.get(), 0, 0, 0, 0), kSerialSuccess);
    receiver.reset();
    pty.send({'z'});
    // The thread handled the event; posting to the dead object would be a
    // use after free under the address sanitizer.
    ASSERT_TRUE(processEventsUntil([&] { return port.m_count.load() > 0; }));
    EXPECT_EQ(port.close(), kSerialSuccess);
}

TEST(SerialNotification, TheDefaultMessageIsRegisteredOnceUnderItsName)
{
    const QEvent::Type type = CSerialWnd::defaultComMsg();
    EXPECT_GE(type, QEvent::User);
    EXPECT_LE(type, QEvent::MaxUser);
    EXPECT_EQ(registeredEventType("CSerialWnd_DefaultComMsg"), type);
    EXPECT_EQ(registeredEventType(CSerialWnd::kDefaultComMsgName), type);
    const QEvent::Type other = registeredEventType("LumivexSomeOtherMessage");
    EXPECT_NE(other, type);
    EXPECT_EQ(registeredEventType("LumivexSomeOtherMessage"), other);
}

TEST(SerialEventThread, ClosingWhileTheThreadWaitsEndsItBeforeThePortCloses)
{
    PtyPair pty;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        CountingPort port;
        ASSERT_EQ(port.open(pty.path().c_str(), 0, 0, true), kSerialSuccess);
        EXPECT_TRUE(port.eventThreadRunning());
        if (round % 2)
            pty.send({static_cast<uint8_t>(round)});
        EXPECT_EQ(port.close(), kSerialSuccess);
        EXPECT_FALSE(port.eventThreadRunning());
        EXPECT_FALSE(port.isOpen());
        // The descriptor is really closed: the port is free again.
        EXPECT_EQ(CSerial::probe(pty.path().c_str()), 0);
        tcflush(pty.slave(), TCIFLUSH);
    }
}

TEST(SerialEventThread, StopsAndStartsAgain)
{
    PtyPair pty;
    CountingPort port;
    ASSERT_EQ(port.open(pty.path().c_str(), 0, 0, false), kSerialSuccess);
    EXPECT_FALSE(port.eventThreadRunning());
    EXPECT_EQ(port.stopEventThread(), kSerialSuccess);
    ASSERT_EQ(port.startEventThread(), kSerialSuccess);
    EXPECT_EQ(port.startEventThread(), kSerialSuccess);  // already running
    pty.send({'1'});
    ASSERT_TRUE(waitUntil([&] { return port.m_count.load() == 1; }));
    EXPECT_EQ(port.m_lastEvents.load(), kSerialEventRxChar);
    EXPECT_EQ(port.stopEventThread(1000), kSerialSuccess);
    EXPECT_FALSE(port.eventThreadRunning());
    uint8_t buffer[4];
    ASSERT_EQ(port.read(buffer, sizeof buffer), kSerialSuccess);
    ASSERT_EQ(port.startEventThread(), kSerialSuccess);
    pty.send({'2'});
    ASSERT_TRUE(waitUntil([&] { return port.m_count.load() == 2; }));
}

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

TEST(SerialEventThread, AHangUpEndsTheWaitLoopWithoutBurningCpu)
{
    PtyPair pty;
    Receiver receiver;
    CSerialMFC port;
    ASSERT_EQ(port.open(pty.path().c_str(), &receiver, 0, 0, 0, 0), kSerialSuccess);
    ASSERT_TRUE(port.eventThreadRunning());
    pty.hangUp();
    ASSERT_TRUE(waitUntil([&] { return !port.eventThreadRunning(); }));
    EXPECT_NE(port.lastError(), kSerialSuccess);

    // A loop that kept waking would use most of this second.
    const double before = processCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(processCpuSeconds() - before, 0.5);

    const uint8_t byte = 0x04;
    const int32_t written = port.write(&byte, 1, nullptr, nullptr, kSerialInfinite);
    EXPECT_NE(written, kSerialSuccess);
    EXPECT_EQ(port.lastError(), written);
    uint8_t buffer[500];
    uint32_t count = 1;
    EXPECT_NE(port.read(buffer, sizeof buffer, &count, nullptr, kSerialInfinite), kSerialSuccess);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(port.close(), kSerialSuccess);
}

}  // namespace
}  // namespace lumivex::test
