#pragma once
// The controllers lumivexd holds, as the Interface page lists and loads
// them: by name, after the ports. A load goes through the service: a
// serial controller's bytes through its Exchange, a DDC/CI controller's
// values through GetVcp and SetVcp. Every call the service fails is told
// to the operator in one line that names lumivexd; the link carries on at
// the next call, whatever became of the service meanwhile.

#include "panel/link_loader.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QDBusServiceWatcher;

namespace lumivex {

class DdcRoute;

// The names of the controllers the service holds, as it lists them; none
// when it is not on the bus. A failed listing goes to standard error.
QStringList heldControllerNames();

// Loads the held controller name through the service; the DDC/CI kind
// through route. Failed, with one line naming lumivexd, when the service is
// not on the bus, holds no controller of that name or finds it unavailable.
// messages must outlive the link: the link's later failures are told there.
// problem, when given, receives the last line told while loading.
LoadResult loadHeldController(LinkState& link, MessageService& messages, DdcRoute& route, const QString& name,
                              QString* problem = nullptr);

// Tells when the service comes onto the bus or leaves it; nothing when
// there is no bus to watch.
class HeldControllerWatch : public QObject {
    Q_OBJECT
public:
    explicit HeldControllerWatch(QObject* parent = nullptr);

signals:
    void changed();

private:
    QDBusServiceWatcher* m_watcher = nullptr;
};

}  // namespace lumivex
