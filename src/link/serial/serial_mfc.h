#pragma once
// CSerialMFC: the port the panel holds. Takes the framework's object as the
// target and follows its lifetime: once the object is destroyed, nothing more
// is posted to it.

#include "link/serial/serial_wnd.h"

#include <QMetaObject>

namespace lumivex {

class CSerialMFC : public CSerialWnd {
public:
    CSerialMFC() = default;
    ~CSerialMFC() override;

    using CSerialWnd::open;
    // window may be null: the port then posts nothing.
    int32_t open(const char* device, QObject* window, uint32_t message = 0,
                 intptr_t parameter = 0, uint32_t inQueue = 0, uint32_t outQueue = 0) override;
    int32_t close() override;

private:
    QMetaObject::Connection m_windowGone;
};

}  // namespace lumivex
