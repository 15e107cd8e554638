#include "control/inventory.h"

#include "control/outcome.h"
#include "control/settings_sections.h"
#include "link/serial/com_port_map.h"
#include "panel/port_list.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace lumivex::control {

namespace {

constexpr qint64 kMaxInventory = 1024 * 1024;
constexpr int kMaxPollSeconds = 24 * 60 * 60;
const QString kSectionPrefix = QStringLiteral("Controller ");

std::chrono::seconds pollInterval(const SettingsPlace& at, const QString& value)
{
    bool number = false;
    const int seconds = value.toInt(&number);
    if (!number || seconds < 0 || seconds > kMaxPollSeconds)
        at.refuse(QStringLiteral("Poll s takes whole seconds from 0 (off) to %1, not '%2'").arg(kMaxPollSeconds).arg(value));
    return std::chrono::seconds(seconds);
}

// The section's entry once it is whole: a controller must name its link.
void finish(std::vector<InventoryEntry>& controllers, const QString& path)
{
    if (controllers.empty() || !controllers.back().link.isEmpty())
        return;
    SettingsPlace{path, controllers.back().line}.refuse(QStringLiteral("controller %1 has no Link").arg(controllers.back().name));
}

}  // namespace

const InventoryEntry* Inventory::find(const QString& name) const
{
    for (const InventoryEntry& entry : controllers)
        if (entry.name == name)
            return &entry;
    return nullptr;
}

QString inventoryPath(const QString& given)
{
    if (!given.isEmpty())
        return given;
    const QString fromEnvironment = qEnvironmentVariable(kInventoryEnv);
    return fromEnvironment.isEmpty() ? QString::fromLatin1(kDefaultInventory) : fromEnvironment;
}

std::optional<QString> controllerNameProblem(const QString& name)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    if (!allowed.match(name).hasMatch())
        return QStringLiteral("a controller's name is 1 to 64 letters, digits, '-' and '_', not '%1'").arg(name);
    const QString upper = name.toUpper();
    if (upper == QString::fromLatin1(kDdcLinkName).toUpper() || upper == QLatin1String("DDC")
        || ComPortMap::comNumber(upper.toStdString()))
        return QStringLiteral("'%1' names a link; a controller's name must not").arg(name);
    return std::nullopt;
}

Inventory parseInventory(const QString& path, const QString& text)
{
    Inventory inventory{path, {}};
    const auto section = [&](const QString& name, const SettingsPlace& at) {
        finish(inventory.controllers, path);
        if (!name.startsWith(kSectionPrefix) && name != kSectionPrefix.trimmed())
            return false;  // other sections are another program's
        const QString controller = name.mid(kSectionPrefix.size()).trimmed();
        if (const auto problem = controllerNameProblem(controller))
            at.refuse(*problem);
        if (inventory.find(controller))
            at.refuse(QStringLiteral("controller %1 is named twice").arg(controller));
        inventory.controllers.push_back({controller, {}, {}, std::nullopt, at.line});
        return true;
    };
    const auto entry = [&](const QString& key, const QString& value, const SettingsPlace& at) {
        InventoryEntry& controller = inventory.controllers.back();
        if (isKey(key, "Link")) {
            if (!controller.link.isEmpty())
                at.refuse(QStringLiteral("controller %1 has a second Link").arg(controller.name));
            try {
                controller.target = parseLinkTarget(value, 0);
            } catch (const Failure& failure) {
                at.refuse(failure.line);
            }
            controller.link = value;
        } else if (isKey(key, "Poll s")) {
            const std::chrono::seconds poll = pollInterval(at, value);
            controller.poll = poll.count() ? std::optional(poll) : std::nullopt;
        } else {
            // A misspelt key would silently leave a controller unpolled.
            at.refuse(QStringLiteral("a controller takes Link and Poll s, not '%1'").arg(key));
        }
    };
    readSettingsSections(path, text, section, entry);
    finish(inventory.controllers, path);
    return inventory;
}

Inventory readInventory(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        fail(kExitUsage, QStringLiteral("%1: no such file (the named controllers)").arg(path));
    if (!info.isFile())
        fail(kExitUsage, QStringLiteral("%1 is not a regular file").arg(path));
    if (info.size() > kMaxInventory)
        fail(kExitUsage, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxInventory));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(kExitUsage, QStringLiteral("%1: %2").arg(path, file.errorString()));
    return parseInventory(path, QString::fromUtf8(file.readAll()));
}

}  // namespace lumivex::control
