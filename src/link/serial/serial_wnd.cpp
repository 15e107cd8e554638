#include "link/serial/serial_wnd.h"

#include "link/serial/event_type_registry.h"
#include "link/serial/serial_notify_event.h"

#include <QCoreApplication>
#include <QObject>

namespace lumivex {
namespace {

// Registered during static initialisation, before the application starts,
// and kept for every port object.
const QEvent::Type kDefaultComMsg = registeredEventType(CSerialWnd::kDefaultComMsgName);

bool isUserEventType(uint32_t message)
{
    return message >= QEvent::User && message <= QEvent::MaxUser;
}

}  // namespace

QEvent::Type CSerialWnd::defaultComMsg()
{
    // Asked from another file's static initialiser, the constant may not be
    // set yet; the registry answers the same type either way.
    return kDefaultComMsg != QEvent::None ? kDefaultComMsg
                                          : registeredEventType(kDefaultComMsgName);
}

CSerialWnd::~CSerialWnd()
{
    close();
}

int32_t CSerialWnd::open(const char* device, QObject* target, uint32_t message,
                         intptr_t parameter, uint32_t inQueue, uint32_t outQueue)
{
    if (isOpen())
        return record(kSerialAlreadyOpen);
    // Any other type would reach the target as an event it takes for
    // something else.
    if (message != 0 && !isUserEventType(message))
        return record(kSerialInvalidArgument);
    if (const int32_t status = CSerialEx::open(device, inQueue, outQueue, false))
        return status;
    {
        std::lock_guard guard(m_postLock);
        m_target.store(target);
        m_message.store(message != 0 ? message : static_cast<uint32_t>(defaultComMsg()));
        m_parameter.store(parameter);
    }
    if (startEventThread() != kSerialSuccess) {
        const SerialResult failed = lastResult();
        close();
        return record(failed);
    }
    return kSerialSuccess;
}

int32_t CSerialWnd::close()
{
    forgetTarget();
    return CSerialEx::close();
}

void CSerialWnd::forgetTarget()
{
    std::lock_guard guard(m_postLock);
    m_target.store(nullptr);
    m_message.store(0);
}

void CSerialWnd::onEvent(uint32_t events, uint32_t errors)
{
    std::lock_guard guard(m_postLock);
    QObject* target = m_target.load();
    if (target == nullptr)
        return;
    const auto type = static_cast<QEvent::Type>(m_message.load());
    QCoreApplication::postEvent(
        target, new SerialNotifyEvent(type, SerialNotifyEvent::pack(events, errors),
                                      m_parameter.load()));
}

}  // namespace lumivex
