#pragma once
// The bridge's topics: <base>/<node>/bridge/state for the bridge itself,
// <base>/<node>/<controller>/availability|state|set|get|error for each
// controller. A controller's name is one topic level already (letters,
// digits, '-' and '_'), so it goes in as it is.

#include <QString>
#include <QStringList>

#include <optional>

namespace lumivex::service::mqtt {

// The level that holds the bridge's own state, beside the controllers.
inline constexpr char kBridgeLevel[] = "bridge";

struct Command {
    enum class Kind { Set, Get };
    QString controller;
    Kind kind = Kind::Set;
};

struct Topics {
    QString base;
    QString node;

    QString bridgeState() const;  // "online", or "offline" as the broker's will
    QString availability(const QString& controller) const;
    QString state(const QString& controller) const;
    QString set(const QString& controller) const;
    QString get(const QString& controller) const;
    QString error(const QString& controller) const;

    // <base>/<node>/+/set and <base>/<node>/+/get.
    QStringList subscriptions() const;
    // A /set or /get of some controller (which may not exist); nullopt for
    // any other topic, the bridge's own included.
    std::optional<Command> match(const QString& topic) const;
};

// Why a controller cannot have topics of its own: its name is the bridge's
// level. The bridge refuses to start with this line (the inventory allows
// the name for the bus).
std::optional<QString> controllerTopicProblem(const QString& controller);

}  // namespace lumivex::service::mqtt
