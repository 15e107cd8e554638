#pragma once
// The named controllers of a site: controllers.ini, one section a
// controller ("[Controller lobby-east]", its Link and Poll s). The service
// and its clients read the same file.

#include "control/controller_link.h"

#include <QString>

#include <chrono>
#include <optional>
#include <vector>

namespace lumivex::control {

inline constexpr char kInventoryEnv[] = "LUMIVEX_INVENTORY";
inline constexpr char kDefaultInventory[] = "/etc/lumivex/controllers.ini";

struct InventoryEntry {
    QString name;
    QString link;      // as written: "COM1", "rfc2217://10.0.0.5:4001", "ddc"
    LinkTarget target;
    std::optional<std::chrono::seconds> poll;  // none: not polled
    int line = 0;      // of its section header
};

struct Inventory {
    QString path;
    std::vector<InventoryEntry> controllers;

    const InventoryEntry* find(const QString& name) const;
};

// --inventory FILE, else LUMIVEX_INVENTORY, else /etc/lumivex/controllers.ini.
QString inventoryPath(const QString& given);

// A name of letters, digits, '-' and '_' that cannot be taken for a link
// ("DDC2Bi", "COMn", "ddc"); else why not.
std::optional<QString> controllerNameProblem(const QString& name);

// The text of a file, read whole; every refusal says "FILE:LINE: why".
// Throws a usage failure.
Inventory parseInventory(const QString& path, const QString& text);
// Reads the file; a missing or unreadable file is a usage failure that
// names it.
Inventory readInventory(const QString& path);

}  // namespace lumivex::control
