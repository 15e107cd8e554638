#include "link/serial/port_io.h"

#include "link/serial/serial_error.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace lumivex {
namespace {

using std::chrono::milliseconds;

constexpr short kHangUp = POLLHUP | POLLERR | POLLNVAL;

enum class Wake { Port, Interrupted, Expired, Other, Failed };

struct PollResult {
    Wake what = Wake::Other;
    short revents = 0;
    SerialResult result;
};

void finish(IoRequest& request, const SerialResult& result)
{
    request.complete = true;
    request.result = result;
    if (request.kind == IoKind::WaitEvents)
        request.channel->releaseEventWait();
    // A finished request no longer holds the descriptor open.
    request.channel.reset();
}

// Waits for the port (events may be 0: hang-up is always reported), the
// channel's shutdown, the caller's interrupt and one more descriptor.
PollResult pollPort(const IoRequest& request, short events, int extra, const Deadline& until,
                    int interrupt)
{
    const PortChannel& channel = *request.channel;
    pollfd fds[] = {{channel.handle(), events, 0},
                    {channel.shutdownHandle(), POLLIN, 0},
                    {interrupt, POLLIN, 0},
                    {extra, POLLIN, 0}};
    const int n = ::poll(fds, std::size(fds), until.pollTimeout());
    if (n < 0) {
        const int saved = errno;
        if (saved == EINTR)
            return {};
        return {Wake::Failed, 0, osFailure(saved)};
    }
    if (n == 0)
        return {Wake::Expired, 0, {}};
    if (fds[2].revents != 0)
        return {Wake::Interrupted, 0, {}};
    if (fds[0].revents != 0)
        return {Wake::Port, fds[0].revents, {}};
    return {};
}

bool returnsAtOnce(const SerialTimeouts& t)
{
    return t.readInterval == kSerialInfinite && t.readTotalMultiplier == 0 &&
           t.readTotalConstant == 0;
}

bool returnsOnFirstByte(const SerialTimeouts& t)
{
    return t.readInterval == kSerialInfinite && t.readTotalMultiplier == kSerialInfinite &&
           t.readTotalConstant > 0 && t.readTotalConstant < kSerialInfinite;
}

Deadline totalDeadline(const IoRequest& request, uint32_t multiplier, uint32_t constant)
{
    const uint64_t total = uint64_t{multiplier} * request.length + constant;
    if (total == 0)
        return Deadline::never();
    return Deadline::at(request.started + milliseconds(total));
}

Deadline readDeadline(const IoRequest& request)
{
    const SerialTimeouts& t = request.timeouts;
    if (returnsOnFirstByte(t))
        return Deadline::at(request.started + milliseconds(t.readTotalConstant));
    Deadline deadline = totalDeadline(request, t.readTotalMultiplier, t.readTotalConstant);
    if (t.readInterval != 0 && request.done > 0)
        deadline = Deadline::earlier(
            deadline, Deadline::at(request.lastByte + milliseconds(t.readInterval)));
    return deadline;
}

// Reads what has arrived, completing the request when it is full or the
// port has ended.
void pullInput(IoRequest& request, bool hungUp)
{
    const int handle = request.channel->handle();
    while (request.done < request.length) {
        const ssize_t n =
            ::read(handle, request.readBuffer + request.done, request.length - request.done);
        const int saved = errno;
        if (n > 0) {
            request.done += static_cast<uint32_t>(n);
            request.lastByte = SerialClock::now();
            continue;
        }
        // A closed other end or an unplugged adapter reads as the end of the
        // port, not as data.
        if (n == 0 || (saved == EAGAIN && hungUp)) {
            finish(request, request.done > 0 ? SerialResult{} : osFailure(EIO));
            return;
        }
        if (saved == EINTR)
            continue;
        if (saved != EAGAIN)
            finish(request, osFailure(saved));
        return;
    }
    finish(request, {});
}

bool advanceRead(IoRequest& request, const Deadline& limit, int interrupt)
{
    bool hungUp = false;
    for (;;) {
        if (request.channel->isShutDown()) {
            finish(request, osFailure(ECANCELED));
            return true;
        }
        pullInput(request, hungUp);
        if (request.complete)
            return true;
        const Deadline own = readDeadline(request);
        if (returnsAtOnce(request.timeouts) ||
            (returnsOnFirstByte(request.timeouts) && request.done > 0) || own.passed()) {
            finish(request, {});
            return true;
        }
        if (limit.passed())
            return false;
        const PollResult woke = pollPort(request, POLLIN, -1, Deadline::earlier(own, limit), interrupt);
        if (woke.what == Wake::Failed) {
            finish(request, woke.result);
            return true;
        }
        if (woke.what == Wake::Interrupted)
            return false;
        hungUp = (woke.revents & kHangUp) != 0;
    }
}

void pushOutput(IoRequest& request, bool hungUp)
{
    const int handle = request.channel->handle();
    while (request.done < request.length) {
        const ssize_t n =
            ::write(handle, request.writeData + request.done, request.length - request.done);
        const int saved = errno;
        if (n > 0) {
            request.done += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && saved == EINTR)
            continue;
        if (n < 0 && saved != EAGAIN)
            finish(request, osFailure(saved));
        else if (hungUp)
            finish(request, osFailure(EIO));
        return;
    }
    finish(request, {});
}

bool advanceWrite(IoRequest& request, const Deadline& limit, int interrupt)
{
    const SerialTimeouts& t = request.timeouts;
    const Deadline own = totalDeadline(request, t.writeTotalMultiplier, t.writeTotalConstant);
    bool hungUp = false;
    for (;;) {
        if (request.channel->isShutDown()) {
            finish(request, osFailure(ECANCELED));
            return true;
        }
        pushOutput(request, hungUp);
        if (request.complete)
            return true;
        if (own.passed()) {
            finish(request, SerialResult{kSerialTimeout});
            return true;
        }
        if (limit.passed())
            return false;
        const PollResult woke = pollPort(request, POLLOUT, -1, Deadline::earlier(own, limit), interrupt);
        if (woke.what == Wake::Failed) {
            finish(request, woke.result);
            return true;
        }
        if (woke.what == Wake::Interrupted)
            return false;
        hungUp = (woke.revents & kHangUp) != 0;
    }
}

void finishWait(IoRequest& request, uint32_t events)
{
    request.eventsOut->store(events);
    finish(request, {});
}

// What the port has to report after it became readable. The input counts
// as looked at only when some is still waiting: a reader may have taken it
// all between the poll and this look, and then the next arrival is news.
uint32_t collectEvents(PortChannel& channel, uint64_t epoch)
{
    uint32_t waiting = 0;
    uint32_t events = channel.takeLineEvents();
    if (!channel.inputCount(waiting).failed() && waiting > 0) {
        channel.markInputLooked(epoch);
        events |= kSerialEventRxChar;
    }
    return events & channel.mask();
}

bool advanceWait(IoRequest& request, const Deadline& limit, int interrupt)
{
    constexpr uint32_t kInputEvents = kSerialEventRxChar | kSerialEventBreak | kSerialEventError;
    for (;;) {
        PortChannel& channel = *request.channel;
        if (channel.isShutDown()) {
            finish(request, osFailure(ECANCELED));
            return true;
        }
        // Reset before looking, so a change made after the look wakes the poll.
        channel.wakeEvent().reset();
        if (channel.maskGeneration() != request.maskGeneration) {
            finishWait(request, 0);
            return true;
        }
        const uint64_t epoch = channel.readEpoch();
        const bool armed = channel.inputArmed() && (channel.mask() & kInputEvents) != 0;
        const PollResult woke = pollPort(request, armed ? POLLIN : 0,
                                         channel.wakeEvent().nativeHandle(), limit, interrupt);
        if (woke.what == Wake::Failed) {
            finish(request, woke.result);
            return true;
        }
        if (woke.what == Wake::Expired || woke.what == Wake::Interrupted)
            return false;
        if (woke.what != Wake::Port)
            continue;
        uint32_t events = 0;
        if (armed && (woke.revents & POLLIN))
            events = collectEvents(channel, epoch);
        if (events != 0) {
            finishWait(request, events);
            return true;
        }
        // An unplugged adapter or a closed other end: end the wait rather
        // than wake again at once, forever.
        if (woke.revents & kHangUp) {
            finish(request, osFailure(EIO));
            return true;
        }
    }
}

}  // namespace

Deadline Deadline::after(uint32_t milliseconds)
{
    if (milliseconds == kSerialInfinite)
        return never();
    return Deadline(SerialClock::now() + std::chrono::milliseconds(milliseconds));
}

Deadline Deadline::earlier(const Deadline& a, const Deadline& b)
{
    if (a.m_never)
        return b;
    if (b.m_never)
        return a;
    return a.m_at <= b.m_at ? a : b;
}

bool Deadline::passed() const
{
    return !m_never && SerialClock::now() >= m_at;
}

int Deadline::pollTimeout() const
{
    if (m_never)
        return -1;
    const auto left = m_at - SerialClock::now();
    if (left <= SerialClock::duration::zero())
        return 0;
    const auto rounded = std::chrono::ceil<milliseconds>(left).count();
    return static_cast<int>(std::min<int64_t>(rounded, 24 * 3600 * 1000));
}

void beginIo(IoRequest& request)
{
    request.started = request.lastByte = SerialClock::now();
    request.done = 0;
    request.complete = false;
    request.result = {};
    if (request.kind != IoKind::WaitEvents)
        return;
    request.maskGeneration = request.channel->maskGeneration();
    if (!request.channel->claimEventWait()) {
        request.complete = true;
        request.result = osFailure(EBUSY);
        request.channel.reset();
    }
}

bool advanceIo(IoRequest& request, const Deadline& limit, int interrupt)
{
    if (request.complete)
        return true;
    switch (request.kind) {
    case IoKind::Read: return advanceRead(request, limit, interrupt);
    case IoKind::Write: return advanceWrite(request, limit, interrupt);
    case IoKind::WaitEvents: return advanceWait(request, limit, interrupt);
    }
    return true;
}

bool waitForInput(PortChannel& channel, const Deadline& until)
{
    for (;;) {
        if (channel.isShutDown())
            return false;
        pollfd fds[] = {{channel.handle(), POLLIN, 0}, {channel.shutdownHandle(), POLLIN, 0}};
        const int n = ::poll(fds, std::size(fds), until.pollTimeout());
        if (n < 0 && errno == EINTR)
            continue;
        // An unplugged adapter or a closed far end reports input it cannot
        // deliver: nothing more will come.
        return n > 0 && fds[1].revents == 0 && (fds[0].revents & kHangUp) == 0 &&
               (fds[0].revents & POLLIN) != 0;
    }
}

void abandonIo(IoRequest& request)
{
    if (!request.complete)
        finish(request, osFailure(ECANCELED));
}

}  // namespace lumivex
