#pragma once
// Where the metrics go out, on the main thread: GET /metrics over HTTP,
// and a file for node-exporter's textfile collector, replaced whole when
// the values change (at most once a second) so a reader never sees half.

#include "service/metrics/metrics_registry.h"
#include "service/metrics/metrics_settings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QHttpServer;

namespace lumivex::service {

class MetricsEndpoint {
public:
    explicit MetricsEndpoint(const MetricsRegistry& registry);
    ~MetricsEndpoint();
    MetricsEndpoint(const MetricsEndpoint&) = delete;
    MetricsEndpoint& operator=(const MetricsEndpoint&) = delete;

    // Serves /metrics on the settings' address; the port bound, or none
    // with why (a port in use, an address not of this machine).
    std::optional<quint16> listen(const MetricsSettings& settings, QString& why);

private:
    const MetricsRegistry& m_registry;
    std::unique_ptr<QHttpServer> m_server;
};

class TextfileWriter : public QObject {
    Q_OBJECT
public:
    // say: where a problem with the file is told, once until it changes.
    TextfileWriter(const MetricsRegistry& registry, QString path, std::function<void(const QString&)> say);

    // Any thread: the values changed; the file follows within a second.
    void changed();
    // Now, whatever the time since the last.
    void write();

private:
    void refresh();

    const MetricsRegistry& m_registry;
    QString m_path;
    std::function<void(const QString&)> m_say;
    std::atomic<bool> m_posted{false};
    QTimer m_later;
    QElapsedTimer m_sinceWrite;
    QString m_problem;
};

}  // namespace lumivex::service
