// lumivexd: holds the link of every named controller and serves them on
// the bus, so the panel, scripts and timers share one owner of each.

#include "control/inventory.h"
#include "control/outcome.h"
#include "control/service_names.h"
#include "link/serial/com_port_map.h"
#include "platform/exit_settle.h"
#include "service/metrics/metrics_endpoint.h"
#include "service/metrics/metrics_registry.h"
#include "service/mqtt/mqtt_bridge.h"
#include "service/mqtt/mqtt_settings.h"
#include "service/service.h"
#include "service/service_settings.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QSocketNotifier>
#include <QSysInfo>

#include <signal.h>
#include <sys/signalfd.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

#include <cstdio>

using namespace lumivex;
using namespace lumivex::control;
using namespace lumivex::service;

namespace {

void say(const QString& line)
{
    std::fprintf(stderr, "lumivexd: %s\n", qPrintable(line));
}

// SIGTERM and SIGINT arrive as input on a descriptor, read on the main
// thread; blocked before any thread starts, so every thread inherits it.
int stopSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

}  // namespace

int main(int argc, char** argv)
{
    lumivex::settleThreadsAtExit();
    const int stopFd = stopSignals();
    QCoreApplication app(argc, argv);
    ServiceSettings settings;
    Inventory inventory;
    std::optional<mqtt::MqttSettings> mqttSettings;
    try {
        settings = readServiceSettings(app.arguments().mid(1));
        if (settings.help) {
            std::fputs(qPrintable(usageText()), stdout);
            return 0;
        }
        if (settings.version) {
            std::puts("lumivexd " LUMIVEX_VERSION);
            return 0;
        }
        // A malformed inventory stops the start before the bus name is taken.
        inventory = readInventory(settings.inventoryPath);
        if (!settings.configPath.isEmpty())
            mqttSettings = mqtt::parseMqttSettings(settings.configPath, settings.configText, QSysInfo::machineHostName());
    } catch (const Failure& failure) {
        say(failure.line);
        return failure.code;
    }
    ComPortMap::global().setIniPath(settings.iniPath.toStdString());
    if (!QDir().mkpath(settings.stateDirectory))
        say(QStringLiteral("%1: cannot be made; nothing is kept across restarts").arg(settings.stateDirectory));

    QDBusConnection bus = settings.sessionBus ? QDBusConnection::sessionBus() : QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        say(QStringLiteral("cannot reach the %1 bus: %2")
                .arg(settings.sessionBus ? QStringLiteral("session") : QStringLiteral("system"), bus.lastError().message()));
        return kExitNoLink;
    }
    MetricsRegistry metrics(QStringLiteral(LUMIVEX_VERSION));
    std::unique_ptr<TextfileWriter> textfile;
    if (!settings.metrics.textfile.isEmpty()) {
        textfile = std::make_unique<TextfileWriter>(metrics, settings.metrics.textfile, say);
        metrics.setChangeHandler([writer = textfile.get()] { writer->changed(); });
    }
    Service service(inventory, OwnerOptions{settings.iniPath, settings.stateDirectory}, bus, &metrics);
    QString why;
    if (!service.publish(why)) {
        say(why);
        return kExitNoLink;
    }
    // Metrics that cannot be served leave the bus served; served ones are
    // there once the name is.
    MetricsEndpoint endpoint(metrics);
    if (settings.metrics.serve) {
        QString problem;
        if (const std::optional<quint16> port = endpoint.listen(settings.metrics, problem))
            say(QStringLiteral("metrics on http://%1/metrics").arg(listenText(settings.metrics, *port)));
        else
            say(problem);
    }
    if (textfile)
        textfile->write();
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        say(QStringLiteral("cannot own %1: %2 (is another lumivexd running?)")
                .arg(QLatin1String(kServiceName), bus.lastError().message()));
        return kExitNoLink;
    }
    // Made before the owners start, so it hears their first news.
    std::unique_ptr<mqtt::MqttBridge> bridge;
    if (mqttSettings)
        bridge = std::make_unique<mqtt::MqttBridge>(*mqttSettings, service.owners());
    service.start();
    if (bridge && !bridge->start(why)) {
        // The bus is served all the same.
        say(QStringLiteral("the MQTT bridge is off: %1").arg(why));
        bridge.reset();
    }
    say(QStringLiteral("serving %1 controllers of %2 as %3")
            .arg(inventory.controllers.size())
            .arg(inventory.path, QLatin1String(kServiceName)));
    sd_notify(0, "READY=1");

    QSocketNotifier stop(stopFd, QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [&] {
        signalfd_siginfo info{};
        if (::read(stopFd, &info, sizeof info) != sizeof info)
            return;
        sd_notify(0, "STOPPING=1");
        say(QStringLiteral("stopping (%1)").arg(QString::fromLatin1(strsignal(int(info.ssi_signo)))));
        app.quit();
    });
    app.exec();
    if (bridge)
        bridge->stop();
    service.stop();
    if (textfile) {  // what the collector keeps exporting says it stopped
        metrics.markAllDown();
        textfile->write();
    }
    bridge.reset();
    bus.unregisterService(QString::fromLatin1(kServiceName));
    return 0;
}
