#include "link/posted_input_notice.h"

#include "link/serial/serial_notify_event.h"
#include "link/serial/serial_status.h"
#include "link/serial/serial_wnd.h"

#include <QCoreApplication>
#include <QObject>

namespace lumivex {

PostedInputNotice::PostedInputNotice(QObject* target)
    : m_target(target)
{
    if (target)
        m_targetGone = QObject::connect(target, &QObject::destroyed, [this] { forget(); });
}

PostedInputNotice::~PostedInputNotice()
{
    QObject::disconnect(m_targetGone);
}

void PostedInputNotice::forget()
{
    std::lock_guard guard(m_lock);
    m_target = nullptr;
}

void PostedInputNotice::post()
{
    std::lock_guard guard(m_lock);
    if (m_target == nullptr)
        return;
    QCoreApplication::postEvent(m_target, new SerialNotifyEvent(CSerialWnd::defaultComMsg(),
                                                                SerialNotifyEvent::pack(kSerialEventRxChar, 0), 0));
}

}  // namespace lumivex
