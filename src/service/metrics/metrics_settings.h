#pragma once
// Section [Metrics] of lumivexd's settings: where /metrics is served, and
// the file node-exporter's textfile collector reads.

#include <QHostAddress>
#include <QString>

namespace lumivex::service {

inline constexpr char kDefaultMetricsListen[] = "127.0.0.1:9743";

struct MetricsSettings {
    bool serve = true;  // "Listen =" (empty) turns the endpoint off
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 9743;  // 0: a free one, told in the log
    QString textfile;     // empty: none written
};

// "ADDRESS:PORT": an IPv4 address, localhost, or an IPv6 one in brackets,
// and a port 0..65535. Empty when taken; otherwise why not.
QString parseListen(const QString& text, MetricsSettings& settings);

// One "Key = value" line of [Metrics]. Empty when taken; otherwise why not.
QString takeMetricsKey(const QString& key, const QString& value, MetricsSettings& settings);

// How the endpoint's address reads in the log and in a URL.
QString listenText(const MetricsSettings& settings, quint16 port);

}  // namespace lumivex::service
