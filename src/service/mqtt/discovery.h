#pragma once
// Home Assistant MQTT discovery for one controller, and the state it reads:
// one device per controller, its entities as the model and the link offer
// them (the panel's rules), each bound to the controller's state topic and
// its /set topic.

#include "service/mqtt/topics.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <vector>

namespace lumivex::service::mqtt {

struct DiscoveryContext {
    QString prefix;      // Discovery Prefix
    Topics topics;
    QString controller;  // its name in the inventory
    QString link;        // its Link as the inventory writes it
    bool ddc = false;
    int32_t model = -1;  // 0 K410, 1 K420; unknown: nothing is announced
    bool retain = false;
    QString swVersion;   // empty: this build's
    QString supportUrl;  // an http(s) address; empty: left out
};

struct DiscoveryMessage {
    QString topic;
    QByteArray payload;  // compact JSON
    bool retain = false;
};

// <prefix>/<component>/lumivex_<node>_<controller>/<object>/config, one a
// entity; then an empty retained config for each entity that another model
// or link would have, which removes it. None while the model is unknown
// (the entities depend on it).
std::vector<DiscoveryMessage> discoveryMessages(const DiscoveryContext& context);

// The state topic's payload: the keys of lumivex-ctl status --json, "link"
// as the inventory writes it, and "readback", the time of that read (ISO
// 8601, UTC; null when never read).
QByteArray statePayload(const QJsonObject& status, const QString& link, qint64 readbackMs);

}  // namespace lumivex::service::mqtt
