#include "panel/port_list_update.h"

#include "link/serial/com_port_map.h"
#include "panel/port_list.h"

#include <algorithm>
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
    // Before the first higher COM number or the first controller held by
    // the service, which come after the ports; DDC2Bi is passed over.
    int at = int(links.size());
    for (int i = 0; i < links.size(); ++i) {
        const std::optional<int> other = comNumber(links[i]);
        if (other ? *other > *number : links[i] != QLatin1String(kDdcLinkName)) {
            at = i;
            break;
        }
    }
    return {PortListEdit::Kind::Insert, at};
}

QStringList withHeldControllers(const QStringList& links, const QStringList& held, const QString& loaded)
{
    QStringList result;
    for (const QString& name : links) {
        if (name == QLatin1String(kDdcLinkName) || comNumber(name))
            result << name;
    }
    // The loaded one stays, where it was among them, whatever the service says now.
    QStringList names = held;
    if (!loaded.isEmpty() && links.contains(loaded) && !result.contains(loaded) && !names.contains(loaded))
        names.insert(std::min(int(links.indexOf(loaded)) - int(result.size()), int(names.size())), loaded);
    return result << names;
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
