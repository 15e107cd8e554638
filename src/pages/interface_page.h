#pragma once

#include "property_page.h"

#include <QStringList>

#include <future>

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

    // Starts listing the ports at once, so the list is ready by the time
    // the tab is first shown.
    explicit System(QWidget* parent = nullptr);

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

    std::future<QStringList> m_portListing;
};

}  // namespace lumivex
