#pragma once
// The notification a serial port posts to its target: the event bits in the
// low 16 bits of the first parameter, the line-error flags in the high 16
// bits, and the parameter given at open as the second.

#include <QEvent>

#include <cstdint>

namespace lumivex {

class SerialNotifyEvent : public QEvent {
public:
    SerialNotifyEvent(QEvent::Type type, uint32_t firstParameter, intptr_t secondParameter);
    ~SerialNotifyEvent() override;

    uint32_t firstParameter() const { return m_first; }
    intptr_t secondParameter() const { return m_second; }
    uint16_t events() const { return static_cast<uint16_t>(m_first & 0xFFFFu); }
    uint16_t errors() const { return static_cast<uint16_t>(m_first >> 16); }

    static uint32_t pack(uint32_t events, uint32_t errors)
    {
        return (events & 0xFFFFu) | ((errors & 0xFFFFu) << 16);
    }

private:
    uint32_t m_first;
    intptr_t m_second;
};

}  // namespace lumivex
