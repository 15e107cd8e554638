#include "service/mqtt/topics.h"

namespace lumivex::service::mqtt {

namespace {

const QString kSet = QStringLiteral("set");
const QString kGet = QStringLiteral("get");

}  // namespace

QString Topics::bridgeState() const
{
    return QStringLiteral("%1/%2/%3/state").arg(base, node, QLatin1String(kBridgeLevel));
}

QString Topics::availability(const QString& controller) const
{
    return QStringLiteral("%1/%2/%3/availability").arg(base, node, controller);
}

QString Topics::state(const QString& controller) const
{
    return QStringLiteral("%1/%2/%3/state").arg(base, node, controller);
}

QString Topics::set(const QString& controller) const
{
    return QStringLiteral("%1/%2/%3/%4").arg(base, node, controller, kSet);
}

QString Topics::get(const QString& controller) const
{
    return QStringLiteral("%1/%2/%3/%4").arg(base, node, controller, kGet);
}

QString Topics::error(const QString& controller) const
{
    return QStringLiteral("%1/%2/%3/error").arg(base, node, controller);
}

QStringList Topics::subscriptions() const
{
    return {set(QStringLiteral("+")), get(QStringLiteral("+"))};
}

std::optional<Command> Topics::match(const QString& topic) const
{
    const QStringList levels = topic.split(QLatin1Char('/'));
    if (levels.size() != 4 || levels[0] != base || levels[1] != node || levels[2].isEmpty()
        || levels[2] == QLatin1String(kBridgeLevel))
        return std::nullopt;
    if (levels[3] == kSet)
        return Command{levels[2], Command::Kind::Set};
    if (levels[3] == kGet)
        return Command{levels[2], Command::Kind::Get};
    return std::nullopt;
}

std::optional<QString> controllerTopicProblem(const QString& controller)
{
    if (controller != QLatin1String(kBridgeLevel))
        return std::nullopt;
    return QStringLiteral("controller '%1' cannot be served over MQTT: <base>/<node>/%1/ holds the bridge's own state; "
                          "rename it in the inventory, or remove [MQTT] from lumivexd's settings")
        .arg(controller);
}

}  // namespace lumivex::service::mqtt
