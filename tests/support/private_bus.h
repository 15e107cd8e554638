#pragma once
// A private message bus for one test: dbus-daemon on a socket in a fresh
// folder, standing in for the session bus (DBUS_SESSION_BUS_ADDRESS and
// LUMIVEX_BUS=session are set for this process and the programs it
// starts). With a policy file, the bus denies what the system bus denies
// and then applies the file, so its rules are tried as they will be.
// Make it before the first QtDBus call: the session connection is cached.

#include "temp_dir.h"

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

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
        // Spawned, not forked by QProcess: a forked child that runs on the
        // parent's memory until exec leaves the thread checker ignoring
        // this thread's locks. Its stderr goes to a file, so a test that
        // dies leaves no daemon holding the test runner's output open.
        const std::string program = "dbus-daemon";
        const std::string configArg = "--config-file=" + config.string();
        const std::string errors = (m_dir / "dbus-daemon.err").string();
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("--nofork"),
                        const_cast<char*>("--print-address=1"), const_cast<char*>(configArg.c_str()), nullptr};
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("dbus-daemon: no pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int spawned = posix_spawnp(&m_pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (spawned != 0) {
            ::close(out[0]);
            throw std::runtime_error("dbus-daemon did not start: " + std::string(std::strerror(spawned)));
        }
        // The address comes as soon as the socket listens; an early end of
        // the pipe means the daemon gave up.
        std::string line;
        char c = 0;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        if (line.empty())
            throw std::runtime_error("dbus-daemon gave no address");
        m_address = QByteArray::fromStdString(line);
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address);
        qputenv("LUMIVEX_BUS", "session");
    }

    ~PrivateBus()
    {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
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
    pid_t m_pid = -1;
    QByteArray m_address;
};

}  // namespace lumivex::testing
