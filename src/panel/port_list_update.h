#pragma once
// The port list kept current while the panel runs: when a COM name's device
// comes or goes, the name is probed again and the list changes by at most
// that one name. The list stays "DDC2Bi" first, then COM names by number,
// then the names of the controllers lumivexd holds, as it lists them.

#include <QString>
#include <QStringList>

namespace lumivex {

struct PortListEdit {
    enum class Kind { Keep, Insert, Remove };
    Kind kind = Kind::Keep;
    int row = -1;  // where the name goes in or comes out; -1 to keep

    friend bool operator==(const PortListEdit&, const PortListEdit&) = default;
};

// What becomes of links after name's probe answered `answer` (0 = can be
// opened now). The loaded link stays listed whatever its probe says, since
// the panel's own hold makes it look taken or gone; "DDC2Bi" and anything
// that is not COM1..COM255 are never touched.
PortListEdit portListEdit(const QStringList& links, const QString& name, int answer, const QString& loaded);

// links with the controllers after the ports replaced by held (empty when
// the service is not on the bus). The loaded one stays listed, as a loaded
// port does.
QStringList withHeldControllers(const QStringList& links, const QStringList& held, const QString& loaded);

// links with the edit made for name.
QStringList editedPortList(QStringList links, const QString& name, const PortListEdit& edit);

}  // namespace lumivex
