#pragma once
// A manual-reset event: stays set until reset, and can be waited on with
// poll() together with a port, so a sleeping wait can be woken.

#include "link/serial/serial_status.h"

#include <cstdint>

namespace lumivex {

class SerialEvent {
public:
    SerialEvent() = default;
    ~SerialEvent();
    SerialEvent(const SerialEvent&) = delete;
    SerialEvent& operator=(const SerialEvent&) = delete;

    // Creates the event, not set.
    SerialResult create();
    void destroy();
    bool valid() const { return m_handle >= 0; }

    void set() const;
    void reset() const;
    bool isSet() const;

    // The descriptor to poll for readability; -1 when not created.
    int nativeHandle() const { return m_handle; }

private:
    int m_handle = -1;
};

}  // namespace lumivex
