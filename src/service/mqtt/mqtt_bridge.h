#pragma once
// lumivexd on the building's broker: each controller's availability and
// state published, its /set and /get taken as jobs on its owner's queue
// (writes coalesced), and Home Assistant discovery announced. A thin
// translator: the owners do the work, as for the bus.

#include "service/mqtt/mqtt_client.h"
#include "service/mqtt/mqtt_settings.h"
#include "service/mqtt/topics.h"
#include "service/mqtt/write_coalescer.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QTimer>

#include <memory>
#include <vector>

namespace lumivex::service {
class ControllerOwner;
}

namespace lumivex::service::mqtt {

class MqttBridge : public QObject {
    Q_OBJECT
public:
    MqttBridge(MqttSettings settings, const std::vector<ControllerOwner*>& owners, QObject* parent = nullptr);
    ~MqttBridge() override;

    // Starts connecting (and keeps at it); false with why when the settings
    // cannot be used (the password file unreadable, TLS files refused).
    bool start(QString& why);
    // "offline" for the bridge, then disconnected. Before the owners stop.
    void stop();

private:
    struct Wall;
    void connected();
    void messageArrived(const QString& topic, const QByteArray& payload);
    void command(Wall& wall, Command::Kind kind, const QByteArray& payload);
    void sendDue(Wall& wall);
    void jobDone(Wall& wall, const std::vector<std::pair<QByteArray, QString>>& errors);
    void publishAvailability(const Wall& wall);
    void publishState(const Wall& wall);
    void publishDiscovery(Wall& wall);
    void publishError(const Wall& wall, const QString& error, const QByteArray& command);
    void scheduleDiscovery();
    qint64 clockMs() const { return m_clock.elapsed(); }

    MqttSettings m_settings;
    Topics m_topics;
    std::unique_ptr<MqttClient> m_client;
    std::vector<std::unique_ptr<Wall>> m_walls;
    QTimer m_discoveryAgain;
    QElapsedTimer m_clock;
    bool m_stopped = false;
};

}  // namespace lumivex::service::mqtt
