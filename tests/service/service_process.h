#pragma once
// lumivexd as a process on a private bus, over zepta-sims, and a client of
// it on its own connection: shared by the service's tests and benchmark.

#include "reply_waits.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariant>

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumivex::testing {

struct ControllerSpec {
    std::string name;
    std::string link;
    int poll = 0;  // seconds; 0 off
};

// Writes controllers.ini into folder from the specs.
void writeInventory(const std::filesystem::path& folder, const std::vector<ControllerSpec>& controllers);

class ServiceProcess {
public:
    // Starts bin/lumivexd on the session bus this process names, with
    // folder/controllers.ini, and a settings file keeping its state in
    // folder/state and ZEPTA.ini at folder/ZEPTA.ini; a read-back waits replyWait.
    // The metrics endpoint is off, so services side by side never share a
    // port; extraSettings is appended to the settings file (a later key wins).
    explicit ServiceProcess(const std::filesystem::path& folder, std::chrono::milliseconds replyWait = kGenerousReplyWait,
                            const std::string& extraSettings = {});
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // Until the service owns its name on the bus, or it ended.
    bool waitForName(QDBusConnection& bus) const;
    std::optional<int> waitForExit();
    // SIGTERM, then waitForExit().
    std::optional<int> stop();
    std::string errors() const;

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    std::filesystem::path m_errors;
};

// A client of the service on a connection of its own.
class ServiceClient {
public:
    explicit ServiceClient(const QString& connectionName)
        : m_name(connectionName)
        , m_bus(QDBusConnection::connectToBus(QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")), connectionName)) {}
    ~ServiceClient() { QDBusConnection::disconnectFromBus(m_name); }

    QDBusConnection& bus() { return m_bus; }
    QString uniqueName() const { return m_bus.baseService(); }
    QDBusMessage message(const QString& controller, const QString& method, const QVariantList& args = {}) const;
    QDBusMessage call(const QString& controller, const QString& method, const QVariantList& args = {});
    QVariant property(const QString& controller, const QString& name);

private:
    QString m_name;
    QDBusConnection m_bus;
};

}  // namespace lumivex::testing
