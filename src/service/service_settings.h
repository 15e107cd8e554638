#pragma once
// What lumivexd runs with: its command line, its own settings file
// (sections [Service] and [Metrics]) and the environment, each refusal in one line.

#include "service/metrics/metrics_settings.h"

#include <QString>
#include <QStringList>

namespace lumivex::service {

inline constexpr char kDefaultConfig[] = "/etc/lumivex/lumivexd.ini";
inline constexpr char kDefaultStateDirectory[] = "/var/lib/lumivex";
// systemd's StateDirectory= hands the folder over in this variable.
inline constexpr char kStateDirectoryEnv[] = "STATE_DIRECTORY";

struct ServiceSettings {
    QString configPath;      // the file read, or empty when the default is missing
    QString configText;      // its text, for the sections read elsewhere ([MQTT])
    QString inventoryPath;   // controllers.ini
    QString stateDirectory;  // <name>.json for each controller
    QString iniPath;         // ZEPTA.ini: the reply wait, COM names, the sizes
    bool sessionBus = false;
    bool help = false;
    bool version = false;
    MetricsSettings metrics;  // [Metrics]
};

// What [Service] says; every key optional.
struct ServiceConfig {
    QString inventory;
    QString stateDirectory;
    QString iniPath;
    MetricsSettings metrics;
};

// The text of a settings file; a refusal says "FILE:LINE: why". Throws a
// usage failure.
ServiceConfig parseServiceConfig(const QString& path, const QString& text);

// The command line (without the program's name) over the settings file
// over the built-in defaults; the environment as the caller's process has
// it. Throws a usage failure.
ServiceSettings readServiceSettings(const QStringList& arguments);

QString usageText();

}  // namespace lumivex::service
