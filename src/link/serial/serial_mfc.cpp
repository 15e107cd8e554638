#include "link/serial/serial_mfc.h"

#include <QObject>

namespace lumivex {

CSerialMFC::~CSerialMFC()
{
    close();
}

int32_t CSerialMFC::open(const char* device, QObject* window, uint32_t message,
                         intptr_t parameter, uint32_t inQueue, uint32_t outQueue)
{
    const int32_t status = CSerialWnd::open(device, window, message, parameter, inQueue, outQueue);
    if (status != kSerialSuccess || window == nullptr)
        return status;
    // Runs on the object's own thread while it is destroyed, before Qt drops
    // the events already posted to it.
    m_windowGone = QObject::connect(window, &QObject::destroyed, [this] { forgetTarget(); });
    return status;
}

int32_t CSerialMFC::close()
{
    QObject::disconnect(m_windowGone);
    m_windowGone = {};
    return CSerialWnd::close();
}

}  // namespace lumivex
