#pragma once
// CSerialWnd: a serial port whose event thread posts each event to a target
// object as a SerialNotifyEvent, so the target handles it on its own thread.
// The notification is posted, never sent: the event thread never runs the
// target's code.

#include "link/serial/serial_ex.h"

#include <QEvent>

#include <atomic>
#include <cstdint>
#include <mutex>

class QObject;

namespace lumivex {

class CSerialWnd : public CSerialEx {
public:
    // The name the default notification type is registered under.
    static constexpr const char* kDefaultComMsgName = "CSerialWnd_DefaultComMsg";
    // The default notification type, registered once before main() runs.
    static QEvent::Type defaultComMsg();

    CSerialWnd() = default;
    ~CSerialWnd() override;

    using CSerialEx::open;
    // Opens the port and starts the event thread. message 0 posts the
    // default type; any other must be a registered user type. The target
    // must outlive the open port (CSerialMFC follows its lifetime instead).
    virtual int32_t open(const char* device, QObject* target, uint32_t message = 0,
                         intptr_t parameter = 0, uint32_t inQueue = 0, uint32_t outQueue = 0);
    int32_t close() override;

    void onEvent(uint32_t events, uint32_t errors) override;

protected:
    // No notification is posted to the old target once this returns.
    void forgetTarget();

private:
    std::mutex m_postLock;  // a post in progress finishes before the target is forgotten
    std::atomic<QObject*> m_target{nullptr};
    std::atomic<uint32_t> m_message{0};
    std::atomic<intptr_t> m_parameter{0};
};

}  // namespace lumivex
