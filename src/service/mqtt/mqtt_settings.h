#pragma once
// The MQTT bridge's settings: section [MQTT] of lumivexd's settings file,
// in the same line syntax as [Service]. No section, no bridge.

#include <QString>
#include <QtGlobal>

#include <optional>

namespace lumivex::service::mqtt {

struct MqttSettings {
    QString host;
    quint16 port = 1883;
    bool tls = false;  // mqtts://
    QString baseTopic;
    QString nodeId;
    QString clientId;
    QString user;
    QString passwordFile;
    QString caFile, certFile, keyFile;
    int keepAliveS = 60;
    int writeIntervalMs = 500;
    bool discovery = true;
    int discoveryDelayMs = 5000;
    bool retainDiscovery = false;
    QString discoveryPrefix;
};

// nullopt when the text has no [MQTT] section. hostName gives the default
// Node Id. A refusal says "FILE:LINE: why" and throws a usage failure.
std::optional<MqttSettings> parseMqttSettings(const QString& path, const QString& text, const QString& hostName);

// The first line of the file, without its line end; a null string and why
// when the file is missing, unreadable or gives no password.
QString readPasswordFile(const QString& path, QString& why);

// Why a text cannot be one level of a topic (empty, '+', '#', '/', a NUL,
// or '$' first); nullopt when it can.
std::optional<QString> topicLevelProblem(const QString& level);

// The host name reduced to what a topic level and an object id take
// ([A-Za-z0-9_-]); "lumivexd" when nothing is left.
QString nodeIdFromHostName(const QString& hostName);

}  // namespace lumivex::service::mqtt
