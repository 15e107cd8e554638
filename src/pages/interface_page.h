#pragma once

#include "port_list.h"
#include "property_page.h"

class QComboBox;

namespace lumivex {

class SerialNotifyEvent;

// Interface tab: chooses, opens and closes the link to the controller, and
// moves what the serial port receives into the receive buffer.
class System : public PropertyPage {
    Q_OBJECT
public:
    static constexpr int kDialogId = 132;
    static constexpr int kPortBoxId = 1180;
    static constexpr int kLoadId = 1179;
    static constexpr int kUnloadId = 1076;

    explicit System(QWidget* parent = nullptr);

    // The port list is built with this probe the first time the tab is
    // shown; the real serial probe unless another is set before.
    void setPortProbe(PortProbe probe) { m_probe = std::move(probe); }

    QComboBox* portBox();

protected:
    void connectControls() override;
    void initialisePage() override;
    // Takes the serial port's notifications.
    bool event(QEvent* event) override;

private:
    void load();
    void unload();
    void showLoaded(bool loaded);
    void onSerialNotification(const SerialNotifyEvent& notification);

    PortProbe m_probe;
};

}  // namespace lumivex
