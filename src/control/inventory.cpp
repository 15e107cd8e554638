#include "control/inventory.h"

#include "control/outcome.h"
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

struct Reader {
    const QString& path;
    int line = 0;

    [[noreturn]] void refuse(const QString& why) const
    {
        fail(kExitUsage, QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(why));
    }
};

std::chrono::seconds pollInterval(const Reader& at, const QString& value)
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
    Reader at{path, controllers.back().line};
    at.refuse(QStringLiteral("controller %1 has no Link").arg(controllers.back().name));
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
    Reader at{path};
    bool inController = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        ++at.line;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                at.refuse(QStringLiteral("a section header ends with ']'"));
            finish(inventory.controllers, path);
            const QString section = line.mid(1, line.size() - 2).trimmed();
            inController = section.startsWith(kSectionPrefix) || section == kSectionPrefix.trimmed();
            if (!inController)
                continue;  // other sections are another program's
            const QString name = section.mid(kSectionPrefix.size()).trimmed();
            if (const auto problem = controllerNameProblem(name))
                at.refuse(*problem);
            if (inventory.find(name))
                at.refuse(QStringLiteral("controller %1 is named twice").arg(name));
            inventory.controllers.push_back({name, {}, {}, std::nullopt, at.line});
            continue;
        }
        if (!inController)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            at.refuse(QStringLiteral("a line of a controller is 'Key = value'"));
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        InventoryEntry& entry = inventory.controllers.back();
        if (key.compare(QLatin1String("Link"), Qt::CaseInsensitive) == 0) {
            if (!entry.link.isEmpty())
                at.refuse(QStringLiteral("controller %1 has a second Link").arg(entry.name));
            try {
                entry.target = parseLinkTarget(value, 0);
            } catch (const Failure& failure) {
                at.refuse(failure.line);
            }
            entry.link = value;
        } else if (key.compare(QLatin1String("Poll s"), Qt::CaseInsensitive) == 0) {
            const std::chrono::seconds poll = pollInterval(at, value);
            entry.poll = poll.count() ? std::optional(poll) : std::nullopt;
        } else {
            // A misspelt key would silently leave a controller unpolled.
            at.refuse(QStringLiteral("a controller takes Link and Poll s, not '%1'").arg(key));
        }
    }
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
