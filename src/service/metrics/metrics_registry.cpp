#include "service/metrics/metrics_registry.h"

#include <algorithm>
#include <charconv>

namespace lumivex::service {

namespace {

constexpr auto relaxed = std::memory_order_relaxed;

constexpr TransactionResult kResults[] = {TransactionResult::Ok, TransactionResult::NoReply, TransactionResult::Damaged,
                                          TransactionResult::Refused, TransactionResult::NotVerified};
static_assert(std::size(kResults) == kTransactionResults);

// The shortest text that reads back as the same double.
QByteArray number(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return QByteArray(text, end - text);
}

class Writer {
public:
    void family(const char* name, const char* type, const char* help)
    {
        m_out += QByteArrayLiteral("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    }
    // labels: name, value, name, value...
    void sample(const char* name, std::initializer_list<QString> labels, const QByteArray& value)
    {
        m_out += name;
        const char* separator = "{";
        for (auto it = labels.begin(); it != labels.end(); it += 2) {
            m_out += separator + it->toUtf8() + "=\"" + escapeLabelValue(*(it + 1)).toUtf8() + '"';
            separator = ",";
        }
        if (labels.size() > 0)
            m_out += '}';
        m_out += ' ' + value + '\n';
    }
    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_out;
};

}  // namespace

const char* resultLabel(TransactionResult result)
{
    switch (result) {
    case TransactionResult::Ok:
        return "ok";
    case TransactionResult::NoReply:
        return "no_reply";
    case TransactionResult::Damaged:
        return "damaged";
    case TransactionResult::Refused:
        return "refused";
    case TransactionResult::NotVerified:
        return "not_verified";
    }
    return "ok";
}

QString escapeLabelValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QLatin1String("\\\\");
        else if (c == QLatin1Char('"'))
            out += QLatin1String("\\\"");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else
            out += c;
    }
    return out;
}

ControllerMetrics::ControllerMetrics(const MetricsRegistry& registry, QString name, QString link)
    : m_registry(registry)
    , m_name(std::move(name))
    , m_link(std::move(link))
{
}

void ControllerMetrics::onTransaction(TransactionResult result, std::chrono::nanoseconds duration)
{
    m_results[size_t(result)].fetch_add(1, relaxed);
    // A change not verified is the service's check, not a time on the line.
    if (result != TransactionResult::NotVerified) {
        const double seconds = std::chrono::duration<double>(duration).count();
        size_t bucket = 0;
        while (bucket < kDurationBuckets.size() && seconds > kDurationBuckets[bucket])
            ++bucket;
        m_buckets[bucket].fetch_add(1, relaxed);
        m_durationNs.fetch_add(uint64_t(std::max<int64_t>(duration.count(), 0)), relaxed);
    }
    m_registry.changed();
}

void ControllerMetrics::onRetry()
{
    m_retries.fetch_add(1, relaxed);
    m_registry.changed();
}

void ControllerMetrics::setUp(bool up)
{
    if (m_up.exchange(up, relaxed) != up)
        m_registry.changed();
}

void ControllerMetrics::setLastReadback(qint64 msSinceEpoch)
{
    if (m_lastReadback.exchange(msSinceEpoch, relaxed) != msSinceEpoch)
        m_registry.changed();
}

uint64_t ControllerMetrics::transactions(TransactionResult result) const
{
    return m_results[size_t(result)].load(relaxed);
}

std::array<uint64_t, kDurationBuckets.size() + 1> ControllerMetrics::durationCounts() const
{
    std::array<uint64_t, kDurationBuckets.size() + 1> counts{};
    for (size_t i = 0; i < counts.size(); ++i)
        counts[i] = m_buckets[i].load(relaxed);
    return counts;
}

double ControllerMetrics::durationSum() const
{
    return double(m_durationNs.load(relaxed)) / 1e9;
}

MetricsRegistry::MetricsRegistry(QString version)
    : m_version(std::move(version))
{
}

ControllerMetrics& MetricsRegistry::add(const QString& controller, const QString& link)
{
    m_controllers.push_back(std::make_unique<ControllerMetrics>(*this, controller, link));
    return *m_controllers.back();
}

void MetricsRegistry::markAllDown()
{
    for (const auto& c : m_controllers)
        c->setUp(false);
}

void MetricsRegistry::changed() const
{
    if (m_changed)
        m_changed();
}

QByteArray MetricsRegistry::render() const
{
    Writer w;
    const QString controller = QStringLiteral("controller");
    w.family("lumivex_build_info", "gauge", "The version of lumivexd that runs.");
    w.sample("lumivex_build_info", {QStringLiteral("version"), m_version}, "1");
    w.family("lumivex_controller_up", "gauge", "Whether the controller's link is open and answered (1) or not (0).");
    for (const auto& c : m_controllers)
        w.sample("lumivex_controller_up", {controller, c->name(), QStringLiteral("link"), c->link()}, c->up() ? "1" : "0");
    w.family("lumivex_controller_last_readback_timestamp_seconds", "gauge",
             "When an answer of the controller was last read, in seconds since the epoch (0: never).");
    for (const auto& c : m_controllers) {
        const qint64 ms = c->lastReadback();
        w.sample("lumivex_controller_last_readback_timestamp_seconds", {controller, c->name()},
                 QByteArray::number(ms / 1000) + '.' + QByteArray::number(ms % 1000).rightJustified(3, '0'));
    }
    w.family("lumivex_transactions_total", "counter",
             "Exchanges with the controller by result, and changes whose read-back differed (not_verified).");
    for (const auto& c : m_controllers)
        for (const TransactionResult result : kResults)
            w.sample("lumivex_transactions_total", {controller, c->name(), QStringLiteral("result"), QString::fromLatin1(resultLabel(result))},
                     QByteArray::number(quint64(c->transactions(result))));
    w.family("lumivex_transaction_duration_seconds", "histogram", "How long each exchange with the controller took.");
    for (const auto& c : m_controllers) {
        const auto counts = c->durationCounts();
        uint64_t cumulative = 0;
        for (size_t i = 0; i < counts.size(); ++i) {
            cumulative += counts[i];
            const QString le = i < kDurationBuckets.size() ? QString::fromLatin1(number(kDurationBuckets[i])) : QStringLiteral("+Inf");
            w.sample("lumivex_transaction_duration_seconds_bucket", {controller, c->name(), QStringLiteral("le"), le},
                     QByteArray::number(quint64(cumulative)));
        }
        w.sample("lumivex_transaction_duration_seconds_sum", {controller, c->name()}, number(c->durationSum()));
        w.sample("lumivex_transaction_duration_seconds_count", {controller, c->name()}, QByteArray::number(quint64(cumulative)));
    }
    w.family("lumivex_retries_total", "counter", "Read-backs sent again after the first took no reply.");
    for (const auto& c : m_controllers)
        w.sample("lumivex_retries_total", {controller, c->name()}, QByteArray::number(quint64(c->retries())));
    return w.take();
}

}  // namespace lumivex::service
