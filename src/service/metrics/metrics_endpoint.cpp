#include "service/metrics/metrics_endpoint.h"

#include "platform/file_replace.h"

#include <QFile>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QTcpServer>

namespace lumivex::service {

namespace {

constexpr qint64 kTextfileIntervalMs = 1000;

}  // namespace

MetricsEndpoint::MetricsEndpoint(const MetricsRegistry& registry)
    : m_registry(registry)
{
}

MetricsEndpoint::~MetricsEndpoint() = default;

std::optional<quint16> MetricsEndpoint::listen(const MetricsSettings& settings, QString& why)
{
    auto socket = std::make_unique<QTcpServer>();
    if (!socket->listen(settings.address, settings.port)) {
        why = QStringLiteral("cannot serve /metrics on %1: %2").arg(listenText(settings, settings.port), socket->errorString());
        return std::nullopt;
    }
    const quint16 port = socket->serverPort();
    m_server = std::make_unique<QHttpServer>();
    m_server->route(QStringLiteral("/metrics"), QHttpServerRequest::Method::Get, [this] {
        return QHttpServerResponse(QByteArray(kExpositionContentType), m_registry.render());
    });
    m_server->bind(socket.release());  // the server takes it
    return port;
}

TextfileWriter::TextfileWriter(const MetricsRegistry& registry, QString path, std::function<void(const QString&)> say)
    : m_registry(registry)
    , m_path(std::move(path))
    , m_say(std::move(say))
{
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, &TextfileWriter::write);
}

void TextfileWriter::changed()
{
    // One wake-up however many changes come before it is taken.
    if (!m_posted.exchange(true))
        QMetaObject::invokeMethod(this, &TextfileWriter::refresh, Qt::QueuedConnection);
}

void TextfileWriter::refresh()
{
    m_posted = false;
    if (m_later.isActive())
        return;
    const qint64 since = m_sinceWrite.isValid() ? m_sinceWrite.elapsed() : kTextfileIntervalMs;
    if (since >= kTextfileIntervalMs)
        write();
    else
        m_later.start(int(kTextfileIntervalMs - since));
}

void TextfileWriter::write()
{
    m_later.stop();
    m_sinceWrite.start();
    const QByteArray text = m_registry.render();
    const QString problem = QString::fromStdString(replaceFileText(m_path.toStdString(), std::string_view(text.constData(), size_t(text.size()))));
    // The unit's umask makes a new file the service's alone; the collector
    // runs as another user. A file kept keeps its mode from then on.
    constexpr QFile::Permissions readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    if (problem.isEmpty() && QFile::permissions(m_path) != readable)
        QFile::setPermissions(m_path, readable);
    if (!problem.isEmpty() && problem != m_problem)
        m_say(QStringLiteral("%1: cannot write the metrics: %2").arg(m_path, problem));
    m_problem = problem;
}

}  // namespace lumivex::service
