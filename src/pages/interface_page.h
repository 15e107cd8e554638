#pragma once

#include "platform/device_watch.h"
#include "panel/port_list.h"
#include "panel/service_entries.h"
#include "pages/property_page.h"

#include <QString>
#include <QStringList>

#include <future>

class QComboBox;

namespace lumivex {

class DdcRoute;
class SerialNotifyEvent;

// Interface tab: chooses, opens and closes the link to the controller, and
// moves what the serial port receives into the receive buffer. The port
// list follows adapters plugged in and out while the panel runs, and the
// controllers lumivexd holds follow the service coming and going.
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
    // What the link's DDC/CI operations go through: the window's library,
    // or a held DDC/CI controller's while one is loaded.
    void setDdcRoute(DdcRoute* route) { m_ddcRoute = route; }

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
    void onDeviceChanged(const QString& path);
    // Probes one COM name again and lists or unlists it.
    void reprobe(const QString& name);
    // Lists what the service holds now after the ports.
    void relistHeld();
    LoadResult loadHeld(const QString& name);

    // What the listing thread hands over.
    struct PortSurvey {
        QStringList links;
        PortPaths paths;
        QStringList held;
    };

    // Armed by the listing thread, so it must outlive it: declared first.
    DeviceWatch m_deviceWatch;
    PortPaths m_portPaths;
    QStringList m_held;                // the service's controllers listed
    HeldControllerWatch m_heldWatch;
    DdcRoute* m_ddcRoute = nullptr;
    QString m_loadedName;              // the link loaded; empty when none
    bool m_loadedPortChanged = false;  // its device changed while it was loaded
    bool m_loadedHeld = false;         // it is a controller the service holds
    std::future<PortSurvey> m_portListing;
};

}  // namespace lumivex
