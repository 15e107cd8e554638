#pragma once
// One connection to the building's broker, on libmosquitto: connected from
// a thread of its own, which reads and writes the socket and reconnects
// with the service's back-off; the broker's last will says "offline" on
// the given topic if the service dies. Calls come from the main thread;
// the signals are emitted on the client's thread and reach receivers
// there queued.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace lumivex::service::mqtt {

struct BrokerLogin {
    QString host;
    quint16 port = 1883;
    bool tls = false;
    QString clientId;
    QString user;
    QString password;
    QString caFile;
    QString certFile;
    QString keyFile;
    int keepAliveS = 60;
};

// The broker's address as the log names it: mqtt://host:port or mqtts://.
QString brokerUrl(const BrokerLogin& login);

class MqttClient : public QObject {
    Q_OBJECT
public:
    // willTopic gets "offline", retained, when the connection is lost.
    MqttClient(BrokerLogin login, QString willTopic, QObject* parent = nullptr);
    ~MqttClient() override;

    // Sets up the client and starts connecting; false with why when the
    // library refuses the settings (a TLS file it cannot use).
    bool start(QString& why);
    // "offline" on the will topic, as far as the broker acknowledges it
    // within a second, then the connection closed and the thread ended.
    void stop();

    // Any thread; QoS 1. False when there is no connection now: the
    // caller sends everything again on the next connected().
    bool publish(const QString& topic, const QByteArray& payload, bool retain);
    bool subscribe(const QStringList& topics);
    bool isConnected() const { return m_connected; }

Q_SIGNALS:
    void connected();
    void disconnected();
    void messageArrived(const QString& topic, const QByteArray& payload);

private:
    void run();
    void waitBeforeRetry(int failures);
    void noteProblem(const QString& why);
    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message);
    static void onPublish(mosquitto*, void* self, int mid);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    BrokerLogin m_login;
    QString m_willTopic;
    mosquitto* m_mosq = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_wasConnected{false};  // since the last loss was told
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<int> m_acked;  // the messages the broker acknowledged; under m_lock
    std::mutex m_errorLock;
    QString m_lastError;  // the library's last error line; under m_errorLock
    QString m_problem;           // the last problem logged; the client's thread only
};

}  // namespace lumivex::service::mqtt
