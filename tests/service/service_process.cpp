#include "service_process.h"

#include "control/service_names.h"
#include "sim_process.h"

#include <QDBusConnectionInterface>
#include <QDBusVariant>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <iterator>

extern char** environ;

namespace lumivex::testing {

using namespace control;

void writeInventory(const std::filesystem::path& folder, const std::vector<ControllerSpec>& controllers)
{
    std::ofstream out(folder / "controllers.ini");
    for (const ControllerSpec& c : controllers) {
        out << "[Controller " << c.name << "]\nLink = " << c.link << "\n";
        if (c.poll)
            out << "Poll s = " << c.poll << "\n";
    }
}

ServiceProcess::ServiceProcess(const std::filesystem::path& folder, std::chrono::milliseconds replyWait,
                               const std::string& extraSettings)
    : m_errors(folder / "lumivexd.err")
{
    std::ofstream(folder / "lumivexd.ini") << "[Service]\nState directory = " << (folder / "state").string()
                                           << "\nZEPTA.ini = " << (folder / "ZEPTA.ini").string() << "\n"
                                           << "[Metrics]\nListen =\n" << extraSettings;
    const std::string program = binDir() + "/lumivexd";
    std::vector<std::string> args{program, "--inventory", (folder / "controllers.ini").string(),
                                  "--config", (folder / "lumivexd.ini").string()};
    std::vector<std::string> variables{"ZEPTA_REPLY_WAIT_MS=" + std::to_string(replyWait.count()),
                                       "ZEPTA_DDCHELPER=" + binDir() + "/libDDCHelper-sim.so"};
    for (char** e = environ; *e; ++e)
        variables.emplace_back(*e);  // the first of a name wins
    const auto pointers = [](std::vector<std::string>& strings) {  // as exec takes them, ending in null
        std::vector<char*> out(strings.size() + 1, nullptr);
        std::transform(strings.begin(), strings.end(), out.begin(), [](std::string& one) { return one.data(); });
        return out;
    };
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(variables);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, m_errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // Not the test's own output: a test that dies must not leave it held open.
    posix_spawn_file_actions_adddup2(&actions, 2, 1);
    if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
}

ServiceProcess::~ServiceProcess()
{
    if (m_pid > 0 && !m_reaped && !stop()) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool ServiceProcess::waitForName(QDBusConnection& bus) const
{
    // Ended: reaped later, by waitForExit().
    const auto ended = [this] {
        siginfo_t info{};
        return waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == m_pid;
    };
    const auto owned = [&] { return bus.interface()->isServiceRegistered(QString::fromLatin1(kServiceName)).value(); };
    return m_pid > 0 && waitUntil([&] { return owned() || ended(); }) && owned();
}

std::optional<int> ServiceProcess::waitForExit()
{
    if (m_pid <= 0 || m_reaped)
        return std::nullopt;
    int status = 0;
    if (!waitUntil([&] { return waitpid(m_pid, &status, WNOHANG) == m_pid; }))
        return std::nullopt;
    m_reaped = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::optional<int> ServiceProcess::stop()
{
    if (m_pid > 0 && !m_reaped)
        kill(m_pid, SIGTERM);
    return waitForExit();
}

std::string ServiceProcess::errors() const
{
    std::ifstream in(m_errors);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

QDBusMessage ServiceClient::message(const QString& controller, const QString& method, const QVariantList& args) const
{
    const bool manager = controller.isEmpty();
    QDBusMessage m = QDBusMessage::createMethodCall(
        QString::fromLatin1(kServiceName), manager ? QString::fromLatin1(kManagerPath) : controllerObjectPath(controller),
        QString::fromLatin1(manager ? kManagerInterface : kControllerInterface), method);
    m.setArguments(args);
    return m;
}

QDBusMessage ServiceClient::call(const QString& controller, const QString& method, const QVariantList& args)
{
    return m_bus.call(message(controller, method, args), QDBus::Block, int(kSimPatience.count()));
}

QVariant ServiceClient::property(const QString& controller, const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(QString::fromLatin1(kServiceName), controllerObjectPath(controller),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(kControllerInterface) << name;
    const QDBusMessage reply = m_bus.call(get, QDBus::Block, int(kSimPatience.count()));
    return reply.arguments().isEmpty() ? QVariant() : reply.arguments()[0].value<QDBusVariant>().variant();
}

}  // namespace lumivex::testing
