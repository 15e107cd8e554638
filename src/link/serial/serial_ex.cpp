#include "link/serial/serial_ex.h"

#include "link/serial/serial_error.h"

#include <system_error>

namespace lumivex {

CSerialEx::~CSerialEx()
{
    close();
}

int32_t CSerialEx::open(const char* device, uint32_t inQueue, uint32_t outQueue,
                        bool startThread)
{
    if (const int32_t status = CSerial::open(device, inQueue, outQueue, true))
        return status;
    if (const SerialResult result = m_threadEvent.create(); result.failed()) {
        CSerial::close();
        return record(result);
    }
    if (startThread)
        return startEventThread();
    return kSerialSuccess;
}

int32_t CSerialEx::close()
{
    stopEventThread(kSerialInfinite);
    m_threadEvent.destroy();
    return CSerial::close();
}

int32_t CSerialEx::startEventThread()
{
    record(kSerialSuccess);
    if (!isOpen())
        return record(kSerialInvalidHandle);
    if (m_threadRunning.load())
        return kSerialSuccess;
    // A thread that ended by itself (the port hung up) is collected first.
    if (m_thread.joinable())
        m_thread.join();
    m_stopping.store(false);
    m_threadRunning.store(true);
    try {
        m_thread = std::thread(&CSerialEx::threadMain, this);
    } catch (const std::system_error& error) {
        m_threadRunning.store(false);
        return record(osFailure(error.code().value()));
    }
    return kSerialSuccess;
}

int32_t CSerialEx::stopEventThread(uint32_t timeoutMs)
{
    if (!m_thread.joinable())
        return record(kSerialSuccess);
    m_stopping.store(true);
    m_threadEvent.set();
    // Called from onEvent(): the loop ends when the handler returns.
    if (m_thread.get_id() == std::this_thread::get_id())
        return record(kSerialSuccess);
    if (!waitForThreadEnd(timeoutMs))
        return record(kSerialTimeout);
    m_thread.join();
    m_stopping.store(false);
    m_threadEvent.reset();
    return record(kSerialSuccess);
}

bool CSerialEx::waitForThreadEnd(uint32_t timeoutMs)
{
    std::unique_lock lock(m_endLock);
    const auto ended = [this] { return !m_threadRunning.load(); };
    if (timeoutMs == kSerialInfinite) {
        m_ended.wait(lock, ended);
        return true;
    }
    return m_ended.wait_for(lock, std::chrono::milliseconds(timeoutMs), ended);
}

void CSerialEx::threadMain()
{
    SerialOverlapped overlapped(m_threadEvent);
    while (runOneWait(overlapped)) {
    }
    overlapped.cancel();
    std::lock_guard lock(m_endLock);
    m_threadRunning.store(false);
    m_ended.notify_all();
}

bool CSerialEx::runOneWait(SerialOverlapped& overlapped)
{
    // Issuing the wait resets the thread event.
    if (const SerialResult result = startEventWait(overlapped); result.failed()) {
        record(result);
        return false;
    }
    // Looked at only after that reset: a stop that came before it is seen
    // here, one that comes after it sets the event and wakes the wait.
    if (m_stopping.load())
        return false;
    overlapped.wait(kSerialInfinite);
    if (m_stopping.load())
        return false;
    if (overlapped.pending()) {
        overlapped.cancel();
        return true;
    }
    // The port has ended (hang-up) or failed: waiting again would only fail
    // again at once.
    if (overlapped.result().failed()) {
        record(overlapped.result());
        return false;
    }
    const uint32_t events = takePendingEvents();
    uint32_t errors = 0;
    if (const SerialResult result = clearLineErrors(errors); result.failed())
        record(result);
    if (events != 0)
        onEvent(events, errors);
    return true;
}

}  // namespace lumivex
