#include "panel/port_list_update.h"

#include "link/serial/com_port_map.h"
#include "panel/port_list.h"

#include <optional>

namespace lumivex {
namespace {

std::optional<int> comNumber(const QString& name)
{
    return ComPortMap::comNumber(name.toStdString());
}

}  // namespace

PortListEdit portListEdit(const QStringList& links, const QString& name, int answer, const QString& loaded)
{
    const std::optional<int> number = comNumber(name);
    if (!number || *number > kHighestComPort)
        return {};
    const int row = int(links.indexOf(name));
    if (answer != 0) {
        if (row < 0 || name == loaded)
            return {};
        return {PortListEdit::Kind::Remove, row};
    }
    if (row >= 0)
        return {};
    // Before the first higher COM number; other names (DDC2Bi) are passed over.
    int at = int(links.size());
    for (int i = 0; i < links.size(); ++i) {
        const std::optional<int> other = comNumber(links[i]);
        if (other && *other > *number) {
            at = i;
            break;
        }
    }
    return {PortListEdit::Kind::Insert, at};
}

QStringList editedPortList(QStringList links, const QString& name, const PortListEdit& edit)
{
    switch (edit.kind) {
    case PortListEdit::Kind::Insert:
        links.insert(edit.row, name);
        break;
    case PortListEdit::Kind::Remove:
        links.removeAt(edit.row);
        break;
    case PortListEdit::Kind::Keep:
        break;
    }
    return links;
}

}  // namespace lumivex
