#pragma once
// The service's objects on the bus. They live on the main thread: a call is
// checked there, marked for a later reply and queued to its controller's
// owner, which answers it from its own thread. Properties are kept here,
// from what the owner tells, so reading one never waits on a link.

#include "service/controller_owner.h"

#include <QDBusArgument>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QObject>

#include <vector>

namespace lumivex::service {

class ControllerObject : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.lumivex.Lumivex1.Controller")
    Q_PROPERTY(QString Name READ name)
    Q_PROPERTY(QString Link READ link)
    Q_PROPERTY(QString Kind READ kind)
    Q_PROPERTY(QString Model READ model)
    Q_PROPERTY(bool Available READ available)
    Q_PROPERTY(qlonglong LastSeen READ lastSeen)
public:
    explicit ControllerObject(ControllerOwner& owner);

    QString name() const { return m_owner.entry().name; }
    QString link() const { return m_owner.entry().link; }
    QString kind() const;
    QString model() const { return m_model; }
    bool available() const { return m_available; }
    qlonglong lastSeen() const { return m_lastSeen; }

public Q_SLOTS:
    Q_SCRIPTABLE QVariantMap Status();
    Q_SCRIPTABLE void Set(const QString& setting, const QString& value, uint flags);
    Q_SCRIPTABLE QStringList Apply(const QString& setup);
    Q_SCRIPTABLE QString Save();
    Q_SCRIPTABLE QByteArray Exchange(const QByteArray& request, uint waitMs);
    Q_SCRIPTABLE int GetVcp(uchar code, uint& current, uint& maximum);
    Q_SCRIPTABLE int SetVcp(uchar code, uint value);

Q_SIGNALS:
    Q_SCRIPTABLE void ValueChanged(const QString& setting, const QDBusVariant& value, const QString& client);
    Q_SCRIPTABLE void AvailabilityChanged(bool available);

private:
    // Marks the call for a later reply and queues job to the owner.
    void queue(std::function<void(ControllerOwner&, const QDBusMessage&)> job);
    // The caller's user may change the controller (see caller_rights.h).
    bool callerMayChange() const;
    // Refuses the call with BadRequest when the check fails; true when refused.
    bool refuse(bool wrong, const QString& why);

    ControllerOwner& m_owner;
    QString m_model;
    bool m_available = false;
    qlonglong m_lastSeen = 0;
};

// One row of ListControllers: name, link, kind, object.
struct ControllerRow {
    QString name;
    QString link;
    QString kind;
    QDBusObjectPath path;
};

class ManagerObject : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.lumivex.Lumivex1.Manager")
public:
    explicit ManagerObject(std::vector<ControllerRow> rows) : m_rows(std::move(rows)) {}

public Q_SLOTS:
    Q_SCRIPTABLE QList<lumivex::service::ControllerRow> ListControllers() const;

private:
    std::vector<ControllerRow> m_rows;
};

QDBusArgument& operator<<(QDBusArgument& out, const ControllerRow& row);
const QDBusArgument& operator>>(const QDBusArgument& in, ControllerRow& row);

}  // namespace lumivex::service

Q_DECLARE_METATYPE(lumivex::service::ControllerRow)
