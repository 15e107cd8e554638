#pragma once
// A private message bus for one test: dbus-daemon on a socket in a fresh
// folder, standing in for the session bus (DBUS_SESSION_BUS_ADDRESS and
// LUMIVEX_BUS=session are set for this process and the programs it
// starts). With a policy file, the bus denies what the system bus denies
// and then applies the file, so its rules are tried as they will be.
// Make it before the first QtDBus call: the session connection is cached.

#include "temp_dir.h"

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

namespace lumivex::testing {

class PrivateBus {
public:
    explicit PrivateBus(const std::optional<std::filesystem::path>& policy = std::nullopt)
    {
        // Other users (the policy's tests run a client as nobody) must reach the socket.
        std::filesystem::permissions(m_dir.path(), std::filesystem::perms::owner_all
                                                       | std::filesystem::perms::group_read | std::filesystem::perms::group_exec
                                                       | std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
        const std::filesystem::path config = m_dir / "bus.conf";
        std::ofstream(config) << configText(policy);
        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments({QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                               QStringLiteral("--config-file=%1").arg(QString::fromStdString(config.string()))});
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start();
        // A ceiling for failure only: the address comes as soon as the socket listens.
        if (!m_daemon.waitForStarted(30000))
            throw std::runtime_error("dbus-daemon did not start: " + m_daemon.errorString().toStdString());
        while (!m_daemon.canReadLine()) {
            if (!m_daemon.waitForReadyRead(30000))
                throw std::runtime_error("dbus-daemon gave no address");
        }
        m_address = m_daemon.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address);
        qputenv("LUMIVEX_BUS", "session");
    }

    ~PrivateBus()
    {
        m_daemon.kill();
        m_daemon.waitForFinished(30000);
    }

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QByteArray& address() const { return m_address; }

private:
    std::string configText(const std::optional<std::filesystem::path>& policy) const
    {
        std::string text =
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n<busconfig>\n"
            "  <type>session</type>\n  <listen>unix:path="
            + (m_dir / "socket").string() + "</listen>\n  <auth>EXTERNAL</auth>\n";
        if (!policy)
            return text
                   + "  <policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/></policy>\n"
                     "</busconfig>\n";
        return text
               + "  <policy context=\"default\">\n"
                 "    <allow user=\"*\"/>\n"
                 "    <deny own=\"*\"/>\n"
                 "    <deny send_type=\"method_call\"/>\n"
                 "    <allow send_type=\"signal\"/>\n"
                 "    <allow send_requested_reply=\"true\" send_type=\"method_return\"/>\n"
                 "    <allow send_requested_reply=\"true\" send_type=\"error\"/>\n"
                 "    <allow receive_type=\"method_call\"/>\n"
                 "    <allow receive_type=\"method_return\"/>\n"
                 "    <allow receive_type=\"error\"/>\n"
                 "    <allow receive_type=\"signal\"/>\n"
                 "    <allow send_destination=\"org.freedesktop.DBus\"/>\n"
                 "  </policy>\n"
                 "  <include>"
               + policy->string() + "</include>\n</busconfig>\n";
    }

    TempDir m_dir;
    QProcess m_daemon;
    QByteArray m_address;
};

}  // namespace lumivex::testing
