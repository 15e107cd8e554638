#include "link/serial/serial_notify_event.h"

namespace lumivex {

SerialNotifyEvent::SerialNotifyEvent(QEvent::Type type, uint32_t firstParameter,
                                     intptr_t secondParameter)
    : QEvent(type), m_first(firstParameter), m_second(secondParameter)
{
}

SerialNotifyEvent::~SerialNotifyEvent() = default;

}  // namespace lumivex
