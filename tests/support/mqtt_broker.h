#pragma once
// The building's side of the bridge for one test: a mosquitto broker on a free loopback port (plain, or
// TLS with certificates made here by openssl, or with a password), and a probe client that subscribes
// and collects what arrives. Waiting is for a message, with a ceiling for failure only.

#include "ser2net_process.h"
#include "temp_dir.h"

#include <mosquitto.h>

#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace lumivex::testing {

// What a broker fixture generates a test's worth of trust from.
struct BrokerCertificates {
    std::filesystem::path ca, serverCert, serverKey, clientCert, clientKey, otherCa;
};

inline void run(const std::string& command)
{
    if (std::system(("(" + command + ") >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("the test's broker could not be made: " + command);
}

// A CA, a server certificate for 127.0.0.1 and a client certificate, both signed by it, and a second CA that signed neither.
inline BrokerCertificates makeCertificates(const std::filesystem::path& dir)
{
    std::ofstream(dir / "san.ext") << "subjectAltName=IP:127.0.0.1,DNS:localhost\n";
    run("cd " + dir.string() + " && for ca in ca other-ca; do openssl req -x509 -days 2 -newkey rsa:2048 -nodes -subj /CN=lumivex-test-$ca"
        " -keyout $ca.key -out $ca.crt || exit 1; done && for who in server:127.0.0.1 client:lumivexd; do n=${who%:*};"
        " openssl req -newkey rsa:2048 -nodes -subj /CN=${who#*:} -keyout $n.key -out $n.csr && openssl x509 -req -days 2 -in $n.csr"
        " -CA ca.crt -CAkey ca.key -CAcreateserial -extfile san.ext -out $n.crt || exit 1; done");
    return {dir / "ca.crt", dir / "server.crt", dir / "server.key", dir / "client.crt", dir / "client.key", dir / "other-ca.crt"};
}

struct BrokerOptions {
    bool tls = false;               // needs certificates
    bool requireClientCert = false;
    std::string user{}, password{};  // a password file when user is set
    bool startLater = false;        // the port is chosen; start() opens it
    std::string extraConfig{};      // lines for the end of mosquitto.conf
};

class MosquittoBroker {
public:
    explicit MosquittoBroker(BrokerOptions options = {})
        : m_options(std::move(options))
        , m_port(freeLoopbackPort())
    {
        if (m_options.tls)
            m_certificates = makeCertificates(m_dir.path());
        if (m_port == 0)
            throw std::runtime_error("no free loopback port");
        writeConfig();
        if (!m_options.startLater)
            start();
    }
    ~MosquittoBroker() { stop(); }
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    int port() const { return m_port; }
    const BrokerCertificates& certificates() const { return m_certificates; }
    std::string url() const { return (m_options.tls ? "mqtts://127.0.0.1:" : "mqtt://127.0.0.1:") + std::to_string(m_port); }
    const std::filesystem::path& folder() const { return m_dir.path(); }
    const BrokerOptions& options() const { return m_options; }

    void start()
    {
        const std::string program = "mosquitto";
        const std::string config = (m_dir / "mosquitto.conf").string();
        const std::string log = (m_dir / "mosquitto.log").string();
        char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("-c"), const_cast<char*>(config.c_str()), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int rc = posix_spawnp(&m_pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            throw std::runtime_error("mosquitto did not start (is it installed? scripts/setup installs it)");
        // Listening is the event; the ceiling only ends a broker that never does.
        const auto ceiling = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!isListening(uint16_t(m_port))) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                throw std::runtime_error("mosquitto ended at start; see " + log);
            }
            if (std::chrono::steady_clock::now() > ceiling)
                throw std::runtime_error("mosquitto did not listen on port " + std::to_string(m_port));
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    void stop()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    std::string log() const
    {
        std::ifstream in(m_dir / "mosquitto.log");
        return {std::istreambuf_iterator<char>(in), {}};
    }

private:
    void writeConfig()
    {
        std::ofstream out(m_dir / "mosquitto.conf");
        // Run as root, the broker would turn into the user "mosquitto", who cannot read the files in this test's private folder.
        const passwd* me = ::getpwuid(::geteuid());
        out << "user " << (me ? me->pw_name : "root") << "\n";
        out << "set_tcp_nodelay true\npersistence false\nlog_dest stderr\nlog_type error\nlog_type warning\nlog_type notice\n"
            << "listener " << m_port << " 127.0.0.1\n";
        if (m_options.user.empty()) {
            out << "allow_anonymous true\n";
        } else {
            const std::string file = (m_dir / "passwords").string();
            run("mosquitto_passwd -b -c " + file + " " + m_options.user + " " + m_options.password);
            out << "allow_anonymous false\npassword_file " << file << "\n";
        }
        if (m_options.tls) {
            out << "cafile " << m_certificates.ca.string() << "\ncertfile " << m_certificates.serverCert.string() << "\nkeyfile "
                << m_certificates.serverKey.string() << "\n";
            if (m_options.requireClientCert)
                out << "require_certificate true\n";
        }
        out << m_options.extraConfig;
    }

    TempDir m_dir;
    BrokerOptions m_options;
    int m_port;
    BrokerCertificates m_certificates;
    pid_t m_pid = -1;
};

struct ProbeMessage {
    std::string topic, payload;
    bool retained = false;
    int qos = 0;
};

// A client of the broker as a building's system is one: it subscribes, publishes, and keeps every message that arrives.
class MqttProbe {
public:
    explicit MqttProbe(const MosquittoBroker& broker, const std::vector<std::string>& subscriptions = {"#"})
    {
        static std::once_flag once;
        std::call_once(once, [] { mosquitto_lib_init(); });
        m_mosq = mosquitto_new(nullptr, true, this);
        mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
        mosquitto_message_callback_set(m_mosq, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* probe = static_cast<MqttProbe*>(self);
            std::lock_guard lock(probe->m_lock);
            const std::string payload = m->payloadlen > 0 ? std::string(static_cast<const char*>(m->payload), size_t(m->payloadlen)) : std::string();
            probe->m_messages.push_back({m->topic, payload, m->retain, m->qos});
            probe->m_qos.insert(m->qos);
            probe->m_arrived.notify_all();
        });
        mosquitto_subscribe_callback_set(m_mosq, [](mosquitto*, void* self, int, int, const int*) {
            auto* probe = static_cast<MqttProbe*>(self);
            std::lock_guard lock(probe->m_lock);
            ++probe->m_subscribed;
            probe->m_arrived.notify_all();
        });
        if (!broker.options().user.empty())
            mosquitto_username_pw_set(m_mosq, broker.options().user.c_str(), broker.options().password.c_str());
        if (!broker.certificates().ca.empty())
            mosquitto_tls_set(m_mosq, broker.certificates().ca.c_str(), nullptr, broker.certificates().clientCert.c_str(),
                              broker.certificates().clientKey.c_str(), nullptr);
        if (mosquitto_connect(m_mosq, "127.0.0.1", broker.port(), 30) != MOSQ_ERR_SUCCESS)
            throw std::runtime_error("the probe cannot connect to the broker");
        mosquitto_loop_start(m_mosq);
        for (const std::string& topic : subscriptions)
            mosquitto_subscribe(m_mosq, nullptr, topic.c_str(), 1);
        waitFor([&] { return m_subscribed == int(subscriptions.size()); });
    }
    ~MqttProbe()
    {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, true);
        mosquitto_destroy(m_mosq);
    }
    MqttProbe(const MqttProbe&) = delete;
    MqttProbe& operator=(const MqttProbe&) = delete;

    // Until a message of its own has come back: what the broker sent before has arrived.
    void fence()
    {
        const std::string topic = "fence/" + std::to_string(++m_fences);
        publish(topic, "");
        waitForMessage(topic, [](const std::string&) { return true; });
    }
    void publish(const std::string& topic, const std::string& payload, bool retain = false)
    {
        mosquitto_publish(m_mosq, nullptr, topic.c_str(), int(payload.size()), payload.data(), 1, retain);
    }

    // Until the predicate holds over what has arrived (called under the lock).
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds ceiling = std::chrono::seconds(30))
    {
        std::unique_lock lock(m_lock);
        return m_arrived.wait_for(lock, ceiling, done);
    }
    // Until a message on topic satisfies the predicate; that message.
    std::optional<ProbeMessage> waitForMessage(const std::string& topic, const std::function<bool(const std::string&)>& matches,
                                               std::chrono::milliseconds ceiling = std::chrono::seconds(30))
    {
        std::optional<ProbeMessage> found;
        waitFor(
            [&] {
                for (auto it = m_messages.rbegin(); it != m_messages.rend(); ++it)
                    if (it->topic == topic && matches(it->payload)) {
                        found = *it;
                        return true;
                    }
                return false;
            },
            ceiling);
        return found;
    }
    std::vector<ProbeMessage> messages() { std::lock_guard lock(m_lock); return m_messages; }
    void clear() { std::lock_guard lock(m_lock); m_messages.clear(); }
    // The QoS of every message that arrived, cleared or not.
    std::set<int> qosSeen() { std::lock_guard lock(m_lock); return m_qos; }

private:
    mosquitto* m_mosq = nullptr;
    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::vector<ProbeMessage> m_messages;
    int m_subscribed = 0;
    int m_fences = 0;
    std::set<int> m_qos;
};

}  // namespace lumivex::testing
