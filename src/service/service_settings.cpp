#include "service/service_settings.h"

#include "control/inventory.h"
#include "control/service_names.h"
#include "control/outcome.h"
#include "control/settings_sections.h"
#include "platform/app_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lumivex::service {

using control::fail;
using control::kExitUsage;

namespace {

constexpr qint64 kMaxConfig = 64 * 1024;

QString readConfigText(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        fail(kExitUsage, QStringLiteral("%1: no such file (lumivexd's settings)").arg(path));
    if (info.size() > kMaxConfig)
        fail(kExitUsage, QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(kMaxConfig));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(kExitUsage, QStringLiteral("%1: %2").arg(path, file.errorString()));
    return QString::fromUtf8(file.readAll());
}

}  // namespace

ServiceConfig parseServiceConfig(const QString& path, const QString& text)
{
    ServiceConfig config;
    bool inService = false;
    const auto section = [&](const QString& name, const control::SettingsPlace&) {
        inService = control::isKey(name, "Service");
        return inService || control::isKey(name, "Metrics");
    };
    const auto entry = [&](const QString& key, const QString& value, const control::SettingsPlace& at) {
        if (!inService) {  // [Metrics]: an empty Listen is the endpoint off
            if (const QString why = takeMetricsKey(key, value, config.metrics); !why.isEmpty())
                at.refuse(why);
            return;
        }
        if (value.isEmpty())
            at.refuse(QStringLiteral("%1 has no value").arg(key));
        if (control::isKey(key, "Inventory"))
            config.inventory = value;
        else if (control::isKey(key, "State directory"))
            config.stateDirectory = value;
        else if (control::isKey(key, "ZEPTA.ini"))
            config.iniPath = value;
        else  // a misspelt key would be a setting silently not taken
            at.refuse(QStringLiteral("[Service] takes Inventory, State directory and ZEPTA.ini, not '%1'").arg(key));
    };
    control::readSettingsSections(path, text, section, entry);
    return config;
}

ServiceSettings readServiceSettings(const QStringList& arguments)
{
    ServiceSettings s;
    QString config;
    QString inventory;
    QString bus;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString option = arguments[i];
        QString value;
        const qsizetype equals = option.indexOf(QLatin1Char('='));
        if (option.startsWith(QLatin1String("--")) && equals > 0) {
            value = option.mid(equals + 1);
            option = option.left(equals);
        }
        if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
            s.help = true;
            continue;
        }
        if (option == QLatin1String("-V") || option == QLatin1String("--version")) {
            s.version = true;
            continue;
        }
        QString* target = option == QLatin1String("--config")      ? &config
                          : option == QLatin1String("--inventory") ? &inventory
                          : option == QLatin1String("--bus")       ? &bus
                                                                   : nullptr;
        if (!target)
            fail(kExitUsage, QStringLiteral("unknown argument '%1' (--help lists them)").arg(arguments[i]));
        if (equals < 0) {
            if (++i >= arguments.size())
                fail(kExitUsage, QStringLiteral("%1 needs a value").arg(option));
            value = arguments[i];
        }
        if (value.isEmpty())
            fail(kExitUsage, QStringLiteral("%1 needs a value").arg(option));
        *target = value;
    }
    if (s.help || s.version)
        return s;
    const QString busChoice = bus.isEmpty() ? qEnvironmentVariable(control::kBusEnv) : bus;
    if (!busChoice.isEmpty() && busChoice != QLatin1String("system") && busChoice != QLatin1String("session"))
        fail(kExitUsage, QStringLiteral("%1 takes system or session, not '%2'")
                             .arg(bus.isEmpty() ? QString::fromLatin1(control::kBusEnv) : QStringLiteral("--bus"), busChoice));
    s.sessionBus = control::useSessionBus(bus);

    // A settings file named on purpose must be there; the default may not be.
    ServiceConfig c;
    const QString configPath = config.isEmpty() ? QString::fromLatin1(kDefaultConfig) : config;
    if (!config.isEmpty() || QFileInfo::exists(configPath)) {
        s.configText = readConfigText(configPath);
        c = parseServiceConfig(configPath, s.configText);
        s.configPath = configPath;
    }
    s.inventoryPath = !inventory.isEmpty() || qEnvironmentVariableIsSet(control::kInventoryEnv) || c.inventory.isEmpty()
                          ? control::inventoryPath(inventory)
                          : c.inventory;
    const QString fromSystemd = qEnvironmentVariable(kStateDirectoryEnv).section(QLatin1Char(':'), 0, 0);
    s.stateDirectory = !fromSystemd.isEmpty()        ? fromSystemd
                       : !c.stateDirectory.isEmpty() ? c.stateDirectory
                                                     : QString::fromLatin1(kDefaultStateDirectory);
    // A system user without a home (the unit's) keeps it beside the state.
    const bool homeless = qEnvironmentVariableIsEmpty("HOME") && !fromSystemd.isEmpty();
    s.iniPath = !c.iniPath.isEmpty() ? c.iniPath
                : homeless           ? QDir(fromSystemd).filePath(QStringLiteral("ZEPTA.ini"))
                                     : QString::fromStdString(defaultIniPath().string());
    s.metrics = c.metrics;
    return s;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: lumivexd [--config FILE] [--inventory FILE] [--bus system|session]\n"
        "       lumivexd --version\n"
        "Holds the link of every controller of the inventory and serves them on the bus.\n"
        "  --config FILE     its settings, sections [Service] and [Metrics] (default %1)\n"
        "  --inventory FILE  the named controllers (else $%2, else the settings' Inventory, else %3)\n"
        "  --bus BUS         system (default) or session (else $%4)\n"
        "  -V, --version     print the version and exit\n")
        .arg(QLatin1String(kDefaultConfig), QLatin1String(control::kInventoryEnv), QLatin1String(control::kDefaultInventory),
             QLatin1String(control::kBusEnv));
}

}  // namespace lumivex::service
