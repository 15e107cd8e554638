#include "service/mqtt/mqtt_bridge.h"

#include "control/device_commands.h"
#include "control/session.h"
#include "control/value_names.h"
#include "service/bus_set.h"
#include "service/controller_owner.h"
#include "service/mqtt/commands.h"
#include "service/mqtt/discovery.h"

#include <QRandomGenerator>

#include <cstdio>

namespace lumivex::service::mqtt {

namespace {

// The client the owners tell other clients a change came from.
constexpr char kClient[] = "mqtt";

void log(const QString& line)
{
    std::fprintf(stderr, "mqtt: %s\n", qPrintable(line));
}

// A due write on the open session: a setting, verified like the bus's
// Set, or one of the functions that read nothing back.
void perform(control::Session& session, const WriteCall& call)
{
    switch (call.kind) {
    case WriteCall::Kind::Set:
        setSetting(session, call.setting, call.value, true);
        break;
    case WriteCall::Kind::Identify:
        control::identify(session, true);
        break;
    case WriteCall::Kind::AutoAdjust:
        control::autoAdjust(session);
        break;
    case WriteCall::Kind::FactoryReset: {
        // The press of a button made for it is the confirmation.
        session.messages().setAssumeYes(true);
        struct Unasked {
            control::Session& session;
            ~Unasked() { session.messages().setAssumeYes(false); }
        } unasked{session};
        control::factoryReset(session, true);
        break;
    }
    case WriteCall::Kind::Refused:
        break;
    }
}

int32_t modelIndex(const QString& name)
{
    return name.isEmpty() ? -1 : int32_t(control::modelNames().indexOf(name));
}

}  // namespace

struct MqttBridge::Wall {
    ControllerOwner* owner = nullptr;
    QString name;
    QString link;
    bool ddc = false;
    QString model;  // "" until the controller has answered
    bool available = false;
    QJsonObject status;
    qint64 readback = 0;  // ms since the epoch
    WriteCoalescer writes{0};
    QTimer due;
    bool busy = false;  // one job of the bridge's on the owner's queue at a time
    std::optional<QByteArray> getWaiting;  // a /get's payload, for its error
    bool readWanted = false;               // the bridge's own read, after an opening
    QString announcedModel;  // the model the last discovery described
};

MqttBridge::MqttBridge(MqttSettings settings, const std::vector<ControllerOwner*>& owners, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_topics{m_settings.baseTopic, m_settings.nodeId}
{
    m_clock.start();
    m_discoveryAgain.setSingleShot(true);
    connect(&m_discoveryAgain, &QTimer::timeout, this, [this] {
        for (auto& wall : m_walls)
            publishDiscovery(*wall);
    });
    for (ControllerOwner* owner : owners) {
        auto wall = std::make_unique<Wall>();
        wall->owner = owner;
        wall->name = owner->entry().name;
        wall->link = owner->entry().link;
        wall->ddc = owner->isDdc();
        wall->writes = WriteCoalescer(m_settings.writeIntervalMs);
        if (const auto& kept = owner->kept()) {
            wall->status = kept->status;
            wall->readback = kept->time;
            wall->model = kept->status.value(QStringLiteral("model")).toString();
        }
        Wall* w = wall.get();
        w->due.setSingleShot(true);
        connect(&w->due, &QTimer::timeout, this, [this, w] { sendDue(*w); });
        // Emitted on the owner's thread: these arrive queued.
        connect(owner, &ControllerOwner::availabilityChanged, this, [this, w](bool available) {
            w->available = available;
            publishAvailability(*w);
            // Opened: its state as it is now, without waiting for a poll.
            if (available) {
                w->readWanted = true;
                sendDue(*w);
            }
            // What waited for it would find it gone: told now, not sent later.
            if (!available)
                for (const QByteArray& command : w->writes.clear())
                    publishError(*w, QStringLiteral("%1 is not available; the command was dropped").arg(w->name), command);
        });
        connect(owner, &ControllerOwner::statusChanged, this, [this, w](const QJsonObject& status, qint64 time) {
            w->status = status;
            w->readback = time;
            const QString model = status.value(QStringLiteral("model")).toString();
            if (!model.isEmpty())
                w->model = model;
            publishState(*w);
            if (w->announcedModel != w->model)
                publishDiscovery(*w);
        });
        connect(owner, &ControllerOwner::seen, this, [this, w](qint64, const QString& model) {
            if (model.isEmpty() || model == w->model)
                return;
            w->model = model;
            publishDiscovery(*w);
        });
        m_walls.push_back(std::move(wall));
    }
}

MqttBridge::~MqttBridge()
{
    stop();
}

bool MqttBridge::start(QString& why)
{
    for (const auto& wall : m_walls)
        if (const std::optional<QString> problem = controllerTopicProblem(wall->name)) {
            why = *problem;
            return false;
        }
    BrokerLogin login{m_settings.host,   m_settings.port,     m_settings.tls,     m_settings.clientId, m_settings.user, {},
                      m_settings.caFile, m_settings.certFile, m_settings.keyFile, m_settings.keepAliveS};
    if (!m_settings.passwordFile.isEmpty()) {
        QString problem;
        login.password = readPasswordFile(m_settings.passwordFile, problem);
        if (!problem.isEmpty()) {
            why = problem;
            return false;
        }
    }
    m_client = std::make_unique<MqttClient>(std::move(login), m_topics.bridgeState());
    connect(m_client.get(), &MqttClient::connected, this, &MqttBridge::connected);
    connect(m_client.get(), &MqttClient::messageArrived, this, &MqttBridge::messageArrived);
    return m_client->start(why);
}

void MqttBridge::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_discoveryAgain.stop();
    for (auto& wall : m_walls)
        wall->due.stop();
    if (m_client)
        m_client->stop();
}

void MqttBridge::connected()
{
    if (m_stopped)
        return;
    // A broker that restarted kept only what was retained: all of it again.
    m_client->publish(m_topics.bridgeState(), "online", true);
    QStringList topics = m_topics.subscriptions();
    if (m_settings.discovery)
        topics << m_settings.discoveryPrefix + QStringLiteral("/status");
    m_client->subscribe(topics);
    for (auto& wall : m_walls) {
        publishAvailability(*wall);
        if (!wall->status.isEmpty())
            publishState(*wall);
        publishDiscovery(*wall);
    }
}

void MqttBridge::messageArrived(const QString& topic, const QByteArray& payload)
{
    if (m_stopped)
        return;
    if (topic == m_settings.discoveryPrefix + QStringLiteral("/status")) {
        if (payload.trimmed() == "online")
            scheduleDiscovery();
        return;
    }
    const std::optional<Command> command = m_topics.match(topic);
    if (!command)
        return;
    for (auto& wall : m_walls)
        if (wall->name == command->controller) {
            this->command(*wall, command->kind, payload);
            return;
        }
}

void MqttBridge::scheduleDiscovery()
{
    // Home Assistant came back: every bridge of the site answers at once
    // unless each waits a while of its own.
    m_discoveryAgain.start(int(QRandomGenerator::global()->bounded(quint32(m_settings.discoveryDelayMs) + 1)));
}

void MqttBridge::command(Wall& wall, Command::Kind kind, const QByteArray& payload)
{
    if (kind == Command::Kind::Get) {
        wall.getWaiting = payload;
        sendDue(wall);
        return;
    }
    const ParsedCommand parsed = parseCommand(payload, CommandContext{modelIndex(wall.model)});
    const Verdict verdict = parsed.error.isEmpty() ? wall.writes.accept(parsed.writes, payload, clockMs())
                                                   : Verdict{false, parsed.error};
    if (!verdict.accepted) {
        log(QStringLiteral("%1: refused %2: %3").arg(wall.name, QString::fromUtf8(payload.left(200)), verdict.why));
        publishError(wall, verdict.why, payload);
        return;
    }
    sendDue(wall);
}

void MqttBridge::sendDue(Wall& wall)
{
    if (m_stopped || wall.busy)
        return;
    ControllerOwner* owner = wall.owner;
    Wall* w = &wall;
    // Every write due goes in one job, in order; then a read-back told to all.
    struct Step {
        WriteCall call;
        QByteArray command;  // the last merged in: the one its error names
    };
    std::vector<Step> steps;
    for (const PendingWrite& write : wall.writes.due(clockMs()))
        steps.push_back({writeCall(write, wall.status), write.commands.isEmpty() ? QByteArray() : write.commands.last()});
    std::optional<QByteArray> get = std::exchange(wall.getWaiting, std::nullopt);
    const bool read = std::exchange(wall.readWanted, false) || get;
    if (steps.empty() && !read) {
        if (const std::optional<qint64> next = wall.writes.nextDueMs())
            wall.due.start(int(std::max<qint64>(0, *next - clockMs())));
        return;
    }
    wall.busy = true;
    owner->post([this, owner, w, steps = std::move(steps), get = std::move(get), read] {
        std::vector<std::pair<QByteArray, QString>> errors;  // command, why
        QStringList changed;
        for (const Step& step : steps) {
            if (step.call.kind == WriteCall::Kind::Refused) {
                errors.emplace_back(step.command, step.call.why);
                continue;
            }
            const auto failed = owner->run([&](control::Session& s) { perform(s, step.call); });
            if (failed)
                errors.emplace_back(step.command, failed->message);
            else if (!step.call.setting.isEmpty())
                changed << step.call.setting;
        }
        // The values as they now read, once for all the writes (and a /get).
        if (!steps.empty() || read) {
            const auto failed = owner->run([&](control::Session& s) { owner->readStatus(s, QLatin1String(kClient), changed); });
            if (failed && get)
                errors.emplace_back(*get, failed->message);
        }
        QMetaObject::invokeMethod(this, [this, w, errors] { jobDone(*w, errors); }, Qt::QueuedConnection);
    });
}

void MqttBridge::jobDone(Wall& wall, const std::vector<std::pair<QByteArray, QString>>& errors)
{
    wall.busy = false;
    if (m_stopped)
        return;
    for (const auto& [command, why] : errors) {
        log(QStringLiteral("%1: %2: %3").arg(wall.name, QString::fromUtf8(command.left(200)), why));
        publishError(wall, why, command);
    }
    sendDue(wall);
}

void MqttBridge::publishAvailability(const Wall& wall)
{
    if (m_client)
        m_client->publish(m_topics.availability(wall.name), wall.available ? "online" : "offline", true);
}

void MqttBridge::publishState(const Wall& wall)
{
    if (m_client)
        m_client->publish(m_topics.state(wall.name), statePayload(wall.status, wall.link, wall.readback), true);
}

void MqttBridge::publishError(const Wall& wall, const QString& error, const QByteArray& command)
{
    if (m_client)
        m_client->publish(m_topics.error(wall.name), errorPayload(error, command), false);
}

void MqttBridge::publishDiscovery(Wall& wall)
{
    if (!m_settings.discovery || !m_client || !m_client->isConnected() || wall.model.isEmpty())
        return;
    DiscoveryContext context;
    context.prefix = m_settings.discoveryPrefix;
    context.topics = m_topics;
    context.controller = wall.name;
    context.link = wall.link;
    context.ddc = wall.ddc;
    context.model = modelIndex(wall.model);
    context.retain = m_settings.retainDiscovery;
    for (const DiscoveryMessage& message : discoveryMessages(context))
        m_client->publish(message.topic, message.payload, message.retain);
    wall.announcedModel = wall.model;
}

}  // namespace lumivex::service::mqtt
