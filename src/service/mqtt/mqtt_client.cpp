#include "service/mqtt/mqtt_client.h"

#include "service/reconnect.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

namespace lumivex::service::mqtt {

namespace {

constexpr int kQos = 1;
// How long a stop waits for the broker to take the bridge's "offline".
constexpr auto kOfflineWait = std::chrono::seconds(1);
// How long one turn of the loop waits for the socket: a stop is seen within it.
constexpr int kLoopTurnMs = 250;

void initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

void log(const QString& line)
{
    std::fprintf(stderr, "mqtt: %s\n", qPrintable(line));
}

QByteArray utf8OrNull(const QString& text)
{
    return text.isEmpty() ? QByteArray() : text.toUtf8();
}

const char* orNull(const QByteArray& bytes)
{
    return bytes.isEmpty() ? nullptr : bytes.constData();
}

}  // namespace

QString brokerUrl(const BrokerLogin& login)
{
    return QStringLiteral("%1://%2:%3").arg(login.tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"), login.host).arg(login.port);
}

MqttClient::MqttClient(BrokerLogin login, QString willTopic, QObject* parent)
    : QObject(parent)
    , m_login(std::move(login))
    , m_willTopic(std::move(willTopic))
{
}

MqttClient::~MqttClient()
{
    stop();
}

bool MqttClient::start(QString& why)
{
    initLibrary();
    m_mosq = mosquitto_new(m_login.clientId.toUtf8().constData(), true, this);
    if (!m_mosq) {
        why = QStringLiteral("cannot make an MQTT client: %1").arg(QString::fromStdString(std::generic_category().message(errno)));
        return false;
    }
    mosquitto_threaded_set(m_mosq, true);
    mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    // Small messages that someone waits for: no Nagle delay.
    mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
    const QByteArray will = m_willTopic.toUtf8();
    int rc = mosquitto_will_set(m_mosq, will.constData(), 7, "offline", kQos, true);
    if (rc == MOSQ_ERR_SUCCESS && !m_login.user.isEmpty())
        rc = mosquitto_username_pw_set(m_mosq, m_login.user.toUtf8().constData(), orNull(utf8OrNull(m_login.password)));
    if (rc == MOSQ_ERR_SUCCESS && m_login.tls) {
        const QByteArray ca = utf8OrNull(m_login.caFile);
        const QByteArray cert = utf8OrNull(m_login.certFile);
        const QByteArray key = utf8OrNull(m_login.keyFile);
        // Without a CA file of the site's own, the system's trusted ones.
        rc = mosquitto_tls_set(m_mosq, orNull(ca), ca.isEmpty() ? "/etc/ssl/certs" : nullptr, orNull(cert), orNull(key), nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            why = QStringLiteral("TLS files refused (CA File %1, Cert File %2, Key File %3): %4")
                      .arg(m_login.caFile, m_login.certFile, m_login.keyFile, QString::fromUtf8(mosquitto_strerror(rc)));
            return false;
        }
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        why = QStringLiteral("MQTT client settings refused: %1").arg(QString::fromUtf8(mosquitto_strerror(rc)));
        return false;
    }
    mosquitto_connect_callback_set(m_mosq, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_mosq, &MqttClient::onDisconnect);
    mosquitto_message_callback_set(m_mosq, &MqttClient::onMessage);
    mosquitto_publish_callback_set(m_mosq, &MqttClient::onPublish);
    mosquitto_log_callback_set(m_mosq, &MqttClient::onLog);
    m_thread = std::thread([this] { run(); });
    return true;
}

void MqttClient::stop()
{
    if (!m_mosq)
        return;
    m_stopping = true;  // no reconnecting from here on
    if (m_connected) {
        int mid = -1;
        if (mosquitto_publish(m_mosq, &mid, m_willTopic.toUtf8().constData(), 7, "offline", kQos, true) == MOSQ_ERR_SUCCESS) {
            std::unique_lock lock(m_lock);
            m_wake.wait_for(lock, kOfflineWait, [&] { return std::find(m_acked.begin(), m_acked.end(), mid) != m_acked.end(); });
        }
        // The loop sends it and sees the connection close: no last will.
        mosquitto_disconnect(m_mosq);
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    mosquitto_destroy(m_mosq);
    m_mosq = nullptr;
}

bool MqttClient::publish(const QString& topic, const QByteArray& payload, bool retain)
{
    if (!m_mosq || !m_connected)
        return false;
    return mosquitto_publish(m_mosq, nullptr, topic.toUtf8().constData(), int(payload.size()), payload.constData(), kQos,
                             retain)
        == MOSQ_ERR_SUCCESS;
}

bool MqttClient::subscribe(const QStringList& topics)
{
    if (!m_mosq || !m_connected || topics.isEmpty())
        return false;
    std::vector<QByteArray> bytes;
    std::vector<char*> pointers;
    for (const QString& topic : topics)
        bytes.push_back(topic.toUtf8());
    for (QByteArray& b : bytes)
        pointers.push_back(b.data());
    return mosquitto_subscribe_multiple(m_mosq, nullptr, int(pointers.size()), pointers.data(), kQos, 0, nullptr)
        == MOSQ_ERR_SUCCESS;
}

void MqttClient::run()
{
    const QByteArray host = m_login.host.toUtf8();
    int failures = 0;
    bool first = true;
    while (!m_stopping) {
        {
            std::lock_guard lock(m_errorLock);
            m_lastError.clear();
        }
        int rc = first ? mosquitto_connect(m_mosq, host.constData(), m_login.port, m_login.keepAliveS)
                       : mosquitto_reconnect(m_mosq);
        const int connectErrno = errno;
        first = false;
        // A stop lets the loop run until its DISCONNECT has gone out.
        while (rc == MOSQ_ERR_SUCCESS && !(m_stopping && !m_connected))
            rc = mosquitto_loop(m_mosq, kLoopTurnMs, 1);
        if (m_stopping)
            break;
        QString why;
        {
            std::lock_guard lock(m_errorLock);
            why = m_lastError;
        }
        if (why.isEmpty())
            why = rc == MOSQ_ERR_ERRNO ? QString::fromStdString(std::generic_category().message(connectErrno))
                                       : QString::fromUtf8(mosquitto_strerror(rc));
        if (m_wasConnected.exchange(false)) {
            failures = 0;
            log(QStringLiteral("lost %1: %2").arg(brokerUrl(m_login), why));
            m_problem.clear();
            emit disconnected();
        }
        ++failures;
        noteProblem(why);
        waitBeforeRetry(failures);
    }
}

void MqttClient::waitBeforeRetry(int failures)
{
    std::unique_lock lock(m_lock);
    m_wake.wait_for(lock, reconnectDelay(failures), [this] { return m_stopping.load(); });
}

void MqttClient::noteProblem(const QString& why)
{
    // One line for each new reason, not one for every retry.
    if (why == m_problem)
        return;
    m_problem = why;
    log(QStringLiteral("cannot connect to %1 as %2: %3; trying again, at most a minute apart")
            .arg(brokerUrl(m_login), m_login.clientId, why));
}

void MqttClient::onConnect(mosquitto*, void* self, int rc)
{
    auto* client = static_cast<MqttClient*>(self);
    if (rc != 0) {
        std::lock_guard lock(client->m_errorLock);
        client->m_lastError = QStringLiteral("the broker refused the connection: %1").arg(QString::fromUtf8(mosquitto_connack_string(rc)));
        return;
    }
    client->m_connected = true;
    client->m_wasConnected = true;
    client->m_problem.clear();
    log(QStringLiteral("connected to %1 as %2").arg(brokerUrl(client->m_login), client->m_login.clientId));
    emit client->connected();
}

void MqttClient::onDisconnect(mosquitto*, void* self, int)
{
    // The loop's turn ends with the error; it reconnects from there.
    static_cast<MqttClient*>(self)->m_connected = false;
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* message)
{
    auto* client = static_cast<MqttClient*>(self);
    emit client->messageArrived(QString::fromUtf8(message->topic),
                                QByteArray(static_cast<const char*>(message->payload), message->payloadlen));
}

void MqttClient::onPublish(mosquitto*, void* self, int mid)
{
    auto* client = static_cast<MqttClient*>(self);
    std::lock_guard lock(client->m_lock);
    // Only the last few matter: a stop waits for its own "offline".
    if (client->m_acked.size() >= 16)
        client->m_acked.erase(client->m_acked.begin());
    client->m_acked.push_back(mid);
    client->m_wake.notify_all();
}

void MqttClient::onLog(mosquitto*, void* self, int level, const char* text)
{
    if (!(level & MOSQ_LOG_ERR))
        return;
    auto* client = static_cast<MqttClient*>(self);
    std::lock_guard lock(client->m_errorLock);
    client->m_lastError = QString::fromUtf8(text);
}

}  // namespace lumivex::service::mqtt
