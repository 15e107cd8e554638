#include "service/controller_owner.h"

#include "control/apply.h"
#include "control/outcome.h"
#include "control/service_names.h"
#include "control/setup_file.h"
#include "control/status_json.h"
#include "control/value_names.h"
#include "link/ddc/ddc_library.h"
#include "link/serial/serial_mfc.h"
#include "platform/app_paths.h"
#include "platform/file_replace.h"
#include "service/bus_set.h"
#include "service/reconnect.h"
#include "service/write_values.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonArray>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace lumivex::service {

using namespace control;
using namespace std::chrono_literals;

namespace {

// The DDC/CI library keeps one list of monitors per process: its
// controllers take turns.
std::mutex& ddcTurn()
{
    static std::mutex lock;
    return lock;
}

// How often a serial port is looked at for a hang-up (nothing is sent).
constexpr auto kWatchInterval = 1s;

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

}  // namespace

QString modelName(int32_t model)
{
    return model >= 0 && model < modelNames().size() ? modelNames()[model] : QString();
}

ControllerOwner::ControllerOwner(InventoryEntry entry, OwnerOptions options, QDBusConnection bus)
    : m_entry(std::move(entry))
    , m_options(std::move(options))
    , m_bus(std::move(bus))
    , m_reopen(new QTimer(this))
    , m_poll(new QTimer(this))
    , m_watch(new QTimer(this))
{
    m_problem = QStringLiteral("not opened yet");
    m_reopen->setSingleShot(true);
    connect(m_reopen, &QTimer::timeout, this, &ControllerOwner::open);
    connect(m_poll, &QTimer::timeout, this, &ControllerOwner::poll);
    connect(m_watch, &QTimer::timeout, this, &ControllerOwner::watch);
    if (m_options.stateDirectory.isEmpty())
        return;
    QFile file(QDir(m_options.stateDirectory).filePath(m_entry.name + QStringLiteral(".json")));
    if (!file.exists())
        return;
    QString why;
    if (!file.open(QIODevice::ReadOnly))
        log(QStringLiteral("%1: ignored: %2").arg(file.fileName(), file.errorString()));
    else if (!(m_kept = parseStateFile(file.read(1024 * 1024), why)))
        log(QStringLiteral("%1: ignored: %2").arg(file.fileName(), why));
}

ControllerOwner::~ControllerOwner() = default;

void ControllerOwner::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_queueLock);
        m_queue.push_back(std::move(job));
    }
    // Only a wake-up: the job itself is handed over under the lock above.
    QMetaObject::invokeMethod(this, &ControllerOwner::runQueue, Qt::QueuedConnection);
}

void ControllerOwner::runQueue()
{
    for (;;) {
        std::function<void()> job;
        {
            std::lock_guard lock(m_queueLock);
            if (m_queue.empty())
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        job();
    }
}

void ControllerOwner::start()
{
    open();
}

void ControllerOwner::stop()
{
    m_reopen->stop();
    m_poll->stop();
    m_watch->stop();
    if (m_session)
        log(QStringLiteral("closing %1").arg(m_entry.link));
    std::unique_lock<std::mutex> turn;
    if (isDdc())
        turn = std::unique_lock(ddcTurn());
    m_session.reset();
    m_vcp.reset();
}

void ControllerOwner::open()
{
    std::unique_lock<std::mutex> turn;
    if (isDdc())
        turn = std::unique_lock(ddcTurn());
    auto session = std::make_unique<Session>(SessionOptions{false, false, m_options.iniPath, std::nullopt, {}, m_options.observer}, m_entry.target,
                                             m_notes);
    int32_t model = -1;
    try {
        session->open();
        model = session->model();
    } catch (const Failure& failure) {
        flushNotes();
        m_problem = failure.line;
        ++m_failures;
        log(QStringLiteral("cannot open %1: %2; again in %3 s")
                .arg(m_entry.link, failure.line)
                .arg(reconnectDelay(m_failures).count()));
        scheduleReopen();
        return;
    }
    flushNotes();
    m_session = std::move(session);
    if (isDdc())
        m_vcp = std::make_unique<DdcLibrary>(
            defaultDdcLibraryCandidates(executableDirectory(), std::getenv("ZEPTA_DDCHELPER")));
    m_failures = 0;
    m_problem.clear();
    m_available = true;
    log(QStringLiteral("opened %1 (model %2)").arg(m_entry.link, model >= 0 ? modelName(model) : QStringLiteral("unknown")));
    emit availabilityChanged(true);
    emit seen(now(), modelName(model));
    if (m_entry.poll)
        m_poll->start(std::chrono::milliseconds(*m_entry.poll));
    if (!isDdc())
        m_watch->start(kWatchInterval);
}

void ControllerOwner::drop(const QString& why)
{
    log(QStringLiteral("link failed: %1; reopening in %2 s").arg(why).arg(reconnectDelay(1).count()));
    m_poll->stop();
    m_watch->stop();
    m_session.reset();
    m_vcp.reset();
    m_problem = why;
    m_failures = 1;
    m_available = false;
    keepState();
    emit availabilityChanged(false);
    scheduleReopen();
}

void ControllerOwner::scheduleReopen()
{
    m_reopen->start(std::chrono::milliseconds(reconnectDelay(m_failures)));
}

void ControllerOwner::poll()
{
    if (!m_session)
        return;
    std::unique_lock<std::mutex> turn;
    if (isDdc())
        turn = std::unique_lock(ddcTurn());
    try {
        statusRead(statusJson(m_session->snapshot(), m_session->linkId()), QLatin1String(kServiceClient));
    } catch (const Failure& failure) {
        flushNotes();
        if (linkFailed(failure))
            drop(failure.line);
        else
            log(QStringLiteral("poll: %1").arg(failure.line));
    }
}

void ControllerOwner::watch()
{
    if (m_session && portGone())
        drop(QStringLiteral("the port %1 is gone").arg(m_entry.link));
}

bool ControllerOwner::portGone()
{
    if (isDdc() || !m_session)
        return false;
    CSerialMFC& port = m_session->link().state().port();
    return port.isOpen() && !port.eventThreadRunning();
}

bool ControllerOwner::damagedReply()
{
    if (isDdc() || !m_session)
        return false;
    const ReplyFault fault = m_session->link().state().lastReplyScan().fault;
    return fault == ReplyFault::Incomplete || fault == ReplyFault::BadChecksum;
}

bool ControllerOwner::linkFailed(const Failure& failure)
{
    return (failure.code == kExitNoAnswer && !damagedReply()) || failure.code == kExitNoLink || portGone();
}

const char* errorNameFor(ExitCode code, bool damagedReply)
{
    switch (code) {
    case kExitUsage:
        return service_errors::kBadRequest;
    case kExitNoLink:
        return service_errors::kUnavailable;
    case kExitNotVerified:
        return service_errors::kNotVerified;
    case kExitDenied:
        return service_errors::kAccessDenied;
    case kExitNoAnswer:
    case kExitOk:
        break;
    }
    return damagedReply ? service_errors::kDamaged : service_errors::kNoReply;
}

std::optional<ControllerOwner::JobFailure> ControllerOwner::run(const std::function<void(Session&)>& work)
{
    if (!m_session)
        return JobFailure{QLatin1String(service_errors::kUnavailable),
                          QStringLiteral("%1 is not available (%2); lumivexd is reopening it").arg(m_entry.name, m_problem)};
    std::unique_lock<std::mutex> turn;
    if (isDdc())
        turn = std::unique_lock(ddcTurn());
    const auto start = std::chrono::steady_clock::now();
    try {
        work(*m_session);
        flushNotes();
        return std::nullopt;
    } catch (const Failure& failure) {
        flushNotes();
        // Set and Apply: the change went out, and its read-back differs.
        if (failure.code == kExitNotVerified && m_options.observer)
            m_options.observer->onTransaction(TransactionResult::NotVerified, std::chrono::steady_clock::now() - start);
        // Named before a drop takes the link's last reply with it.
        JobFailure named{QLatin1String(errorNameFor(failure.code, damagedReply())),
                         failure.line.isEmpty() ? m_entry.name + QStringLiteral(": failed") : failure.line};
        if (linkFailed(failure))
            drop(failure.line);
        return named;
    }
}

void ControllerOwner::readStatus(Session& session, const QString& client, const QStringList& alsoReport)
{
    statusRead(statusJson(session.snapshot(), session.linkId()), client, alsoReport);
}

void ControllerOwner::answer(const QDBusMessage& call, const std::function<QDBusMessage(Session&)>& work)
{
    QDBusMessage reply;
    const std::optional<JobFailure> failed = run([&](Session& s) { reply = work(s); });
    m_bus.send(failed ? call.createErrorReply(QString::fromLatin1(kErrorPrefix) + failed->error, failed->message) : reply);
}

void ControllerOwner::status(const QDBusMessage& call)
{
    answer(call, [&](Session& s) {
        const QJsonObject json = statusJson(s.snapshot(), s.linkId());
        statusRead(json, QLatin1String(kServiceClient));
        return call.createReply(QVariant::fromValue(statusMap(json)));
    });
}

void ControllerOwner::set(const QDBusMessage& call, const QString& setting, const QString& value, uint flags)
{
    answer(call, [&](Session& s) {
        setSetting(s, setting, value, !(flags & kSetNoVerify));
        // The value as it now reads, to every client.
        try {
            statusRead(statusJson(s.snapshot(), s.linkId()), call.service(), {setting.toLower()});
        } catch (const Failure& failure) {
            log(QStringLiteral("status after set %1: %2").arg(setting, failure.line));
        }
        return call.createReply();
    });
}

void ControllerOwner::apply(const QDBusMessage& call, const QString& setup)
{
    answer(call, [&](Session& s) {
        const SetupFile file = parseSetupFile(QStringLiteral("setup"), setup.toUtf8());
        if (isEmpty(file))
            fail(kExitUsage, QStringLiteral("setup: nothing to apply (none of the keys Save writes)"));
        const Plan plan = carryOut(s, file);
        const QStringList changed = plan.changedFields();
        const ApplyResult result = checkApplied(s, plan);
        if (result.outcome == ApplyOutcome::NotVerified)
            fail(kExitNotVerified, QStringLiteral("setup: %1 did not take on %2: %3")
                                       .arg(result.missed.size() == 1 ? QStringLiteral("1 field")
                                                                      : QStringLiteral("%1 fields").arg(result.missed.size()),
                                            s.linkId(), mismatchLines(result.missed).join(QStringLiteral("; "))));
        if (plan.changes()) {
            try {
                statusRead(statusJson(s.snapshot(), s.linkId()), call.service());
            } catch (const Failure& failure) {
                log(QStringLiteral("status after apply: %1").arg(failure.line));
            }
        }
        return call.createReply(changed);
    });
}

void ControllerOwner::save(const QDBusMessage& call)
{
    answer(call, [&](Session& s) {
        const Snapshot snapshot = s.snapshot();
        statusRead(statusJson(snapshot, s.linkId()), QLatin1String(kServiceClient));
        return call.createReply(setupFileText(snapshot, s.linkId()));
    });
}

void ControllerOwner::exchange(const QDBusMessage& call, const QByteArray& request, uint waitMs)
{
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(request.constData()), size_t(request.size()));
    bool unanswered = false;
    answer(call, [&](Session& s) {
        const std::vector<uint8_t> got = s.link().state().exchange(bytes, std::chrono::milliseconds(waitMs));
        unanswered = waitMs > 0 && !wholeReplyTo(bytes, got);
        if (!got.empty() && !unanswered)
            emit seen(now(), modelName(s.model()));
        wrote(frameWriteValues(bytes, s.model()), call.service());
        return call.createReply(QByteArray(reinterpret_cast<const char*>(got.data()), qsizetype(got.size())));
    });
    // A request the device left unanswered: is it still there? The model is
    // asked (with its retry); silence there too is a failed link.
    if (!unanswered || !m_session)
        return;
    LinkState& state = m_session->link().state();
    state.resetWritePosition();
    const bool alive = !portGone() && state.requestModel().has_value();
    state.resetWritePosition();
    if (!alive)
        drop(QStringLiteral("no reply to a client's request, nor to the model query"));
}

void ControllerOwner::getVcp(const QDBusMessage& call, uchar code)
{
    answer(call, [&](Session& s) {
        uint32_t current = 0;
        uint32_t maximum = 0;
        const auto start = std::chrono::steady_clock::now();
        const int32_t status = m_vcp->GetCIValue(s.link().state().monitors().first(), code, &current, &maximum);
        observeVcp(status, start);
        if (status == 0)
            emit seen(now(), modelName(s.model()));
        else
            current = maximum = 0;
        return call.createReply(QVariantList{int(status), uint(current), uint(maximum)});
    });
}

void ControllerOwner::setVcp(const QDBusMessage& call, uchar code, uint value)
{
    answer(call, [&](Session& s) {
        const auto start = std::chrono::steady_clock::now();
        const int32_t status = m_vcp->SetCIValue(s.link().state().monitors().first(), code, value);
        observeVcp(status, start);
        if (status == 0)
            wrote(vcpWriteValues(code, value, s.model()), call.service());
        return call.createReply(QVariant(int(status)));
    });
}

void ControllerOwner::observeVcp(int32_t status, std::chrono::steady_clock::time_point start) const
{
    if (m_options.observer)
        m_options.observer->onTransaction(status == 0 ? TransactionResult::Ok : TransactionResult::Refused,
                                          std::chrono::steady_clock::now() - start);
}

void ControllerOwner::statusRead(const QJsonObject& status, const QString& client, const QStringList& alsoReport)
{
    const QVariantMap map = statusMap(status);
    QStringList keys = m_last ? changedKeys(m_last, map) : QStringList();
    for (const QString& key : alsoReport)
        if (map.contains(key) && !keys.contains(key))
            keys << key;
    m_last = map;
    m_lastJson = status;
    m_lastTime = now();
    for (const QString& key : keys)
        emit valueChanged(key, map.value(key), client);
    emit seen(m_lastTime, map.value(QStringLiteral("model")).toString());
    emit statusChanged(m_lastJson, m_lastTime);
    keepState();
}

void ControllerOwner::wrote(const WrittenValues& values, const QString& client)
{
    for (const auto& [setting, value] : values) {
        // Known now: the next poll does not tell it again as its own.
        if (m_last)
            m_last->insert(setting, value);
        if (!m_lastJson.isEmpty())
            m_lastJson.insert(setting, QJsonValue::fromVariant(value));
        emit valueChanged(setting, value, client);
    }
    if (!values.empty() && !m_lastJson.isEmpty())
        emit statusChanged(m_lastJson, m_lastTime);
}

void ControllerOwner::keepState()
{
    if (m_options.stateDirectory.isEmpty() || m_lastJson.isEmpty())
        return;
    const QString path = QDir(m_options.stateDirectory).filePath(m_entry.name + QStringLiteral(".json"));
    const std::string why =
        replaceFileText(path.toStdString(), stateFileText(KeptState{m_lastJson, m_lastTime, m_available}).toStdString());
    const QString problem = QString::fromStdString(why);
    if (!problem.isEmpty() && problem != m_keepProblem)
        log(QStringLiteral("%1: cannot keep the state: %2").arg(path, problem));
    m_keepProblem = problem;
}

void ControllerOwner::log(const QString& line) const
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(m_entry.name), qPrintable(line));
}

void ControllerOwner::flushNotes()
{
    for (const QString& note : std::as_const(m_notes))
        log(note);
    m_notes.clear();
}

}  // namespace lumivex::service
