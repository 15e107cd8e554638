#pragma once
// The service's metrics: each controller's values, counted by its owner's
// thread as they change (atomics, no lock), and their exposition in the
// Prometheus text format, rendered on the main thread.

#include "link/transaction_observer.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace lumivex::service {

inline constexpr char kExpositionContentType[] = "text/plain; version=0.0.4; charset=utf-8";

// The duration histogram's upper bounds, in seconds: a serial read-back
// takes milliseconds, a DDC/CI one tens, a silent device the reply wait.
inline constexpr std::array<double, 11> kDurationBuckets{0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};

// The result label each TransactionResult is counted under.
const char* resultLabel(TransactionResult result);

// A label's value as the text format writes it between quotes.
QString escapeLabelValue(const QString& value);

class MetricsRegistry;

class ControllerMetrics final : public TransactionObserver {
public:
    ControllerMetrics(const MetricsRegistry& registry, QString name, QString link);

    // Any thread.
    void onTransaction(TransactionResult result, std::chrono::nanoseconds duration) override;
    void onRetry() override;
    void setUp(bool up);
    void setLastReadback(qint64 msSinceEpoch);

    const QString& name() const { return m_name; }
    const QString& link() const { return m_link; }
    bool up() const { return m_up.load(std::memory_order_relaxed); }
    qint64 lastReadback() const { return m_lastReadback.load(std::memory_order_relaxed); }
    uint64_t transactions(TransactionResult result) const;
    uint64_t retries() const { return m_retries.load(std::memory_order_relaxed); }
    // Per bucket, not cumulative; the last one is above every bound.
    std::array<uint64_t, kDurationBuckets.size() + 1> durationCounts() const;
    double durationSum() const;  // seconds

private:
    const MetricsRegistry& m_registry;
    QString m_name;
    QString m_link;
    std::atomic<bool> m_up{false};
    std::atomic<qint64> m_lastReadback{0};
    std::array<std::atomic<uint64_t>, kTransactionResults> m_results{};
    std::array<std::atomic<uint64_t>, kDurationBuckets.size() + 1> m_buckets{};
    std::atomic<uint64_t> m_durationNs{0};
    std::atomic<uint64_t> m_retries{0};
};

class MetricsRegistry {
public:
    explicit MetricsRegistry(QString version);
    MetricsRegistry(const MetricsRegistry&) = delete;
    MetricsRegistry& operator=(const MetricsRegistry&) = delete;

    // Before any owner's thread runs: each controller, and who hears of a
    // change (on the changing thread; it must be cheap).
    ControllerMetrics& add(const QString& controller, const QString& link);
    void setChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

    // The service stopped: no controller is up any more.
    void markAllDown();

    // The whole exposition, every family with its HELP and TYPE.
    QByteArray render() const;

private:
    friend class ControllerMetrics;
    void changed() const;

    QString m_version;
    std::vector<std::unique_ptr<ControllerMetrics>> m_controllers;
    std::function<void()> m_changed;
};

}  // namespace lumivex::service
