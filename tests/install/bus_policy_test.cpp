// The service's bus policy, tried on a private bus that denies what the
// system bus denies: this process owns the name as root, and dbus-send run
// as nobody may read the controllers but not change them. Root only (CI
// runs as root): it takes root to run a client as another user.

#include "control/service_names.h"
#include "private_bus.h"

#include <QDBusConnection>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using namespace lumivex::control;

enum class Answer { Replied, Denied };

// member: "Manager.X" and "Controller.X" are the service's interfaces,
// "Bus.X" the bus's own; args as dbus-send takes them, split at spaces.
struct Call {
    const char* name;
    bool asNobody;
    const char* member;
    const char* args;
    Answer expected;
};

std::ostream& operator<<(std::ostream& out, const Call& call) { return out << call.name; }

const QString kBusDaemon = QStringLiteral("org.freedesktop.DBus");

class BusPolicy : public ::testing::TestWithParam<Call> {
protected:
    static void SetUpTestSuite()
    {
        if (geteuid() != 0)
            return;
        bus = new lumivex::testing::PrivateBus(std::filesystem::path(LUMIVEX_BUS_POLICY));
        owner = new QDBusConnection(QDBusConnection::connectToBus(QString::fromUtf8(bus->address()),
                                                                  QStringLiteral("owner")));
        ownedName = owner->registerService(QString::fromLatin1(kServiceName));
    }
    static void TearDownTestSuite()
    {
        delete owner;
        QDBusConnection::disconnectFromBus(QStringLiteral("owner"));
        delete bus;
    }

    // dbus-send's error name, or empty for a reply.
    static QString errorOf(const Call& call)
    {
        QString member = QString::fromLatin1(call.member);
        QString destination = QString::fromLatin1(kServiceName);
        QString path = controllerObjectPath(QStringLiteral("lobby-east"));
        if (member.startsWith(QLatin1String("Bus."))) {
            member = kBusDaemon + member.mid(3);
            destination = kBusDaemon;
            path = QStringLiteral("/org/freedesktop/DBus");
        } else if (member.startsWith(QLatin1String("Manager."))) {
            path = QString::fromLatin1(kManagerPath);
        }
        if (member.startsWith(QLatin1String("Manager.")) || member.startsWith(QLatin1String("Controller.")))
            member.prepend(QStringLiteral("org.lumivex.Lumivex1."));
        QStringList args{QStringLiteral("--bus=") + QString::fromUtf8(bus->address()), QStringLiteral("--print-reply"),
                         QStringLiteral("--dest=") + destination, path, member};
        args += QString::fromLatin1(call.args).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QProcess send;
        if (call.asNobody)
            send.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                              QStringLiteral("--clear-groups"), QStringLiteral("dbus-send")}
                                                      + args);
        else
            send.start(QStringLiteral("dbus-send"), args);
        // The owner answers on this thread's loop; the time-out is a ceiling only.
        QEventLoop loop;
        QObject::connect(&send, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        if (send.state() != QProcess::NotRunning)
            loop.exec();
        EXPECT_EQ(send.state(), QProcess::NotRunning) << "dbus-send did not end";
        if (send.exitStatus() == QProcess::NormalExit && send.exitCode() == 0)
            return {};
        // "Error org.freedesktop.DBus.Error.AccessDenied: ..."
        return QString::fromUtf8(send.readAllStandardError()).section(QLatin1Char(' '), 1, 1).section(QLatin1Char(':'), 0, 0);
    }

    static inline lumivex::testing::PrivateBus* bus = nullptr;
    static inline QDBusConnection* owner = nullptr;
    static inline bool ownedName = false;
};

TEST_P(BusPolicy, LetsEveryoneReadAndOnlyRootOrLumivexChange)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "running a client as nobody takes root";
    ASSERT_TRUE(ownedName) << "root may not own " << kServiceName;
    const QString error = errorOf(GetParam());
    if (GetParam().expected == Answer::Denied) {
        EXPECT_EQ(error, QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    } else {
        // The owner has no objects: an error of its own proves the call reached it.
        EXPECT_TRUE(error.isEmpty() || error.startsWith(QStringLiteral("org.freedesktop.DBus.Error.Unknown")))
            << error.toStdString();
    }
}

constexpr auto kNobody = true;
constexpr auto kRoot = false;
constexpr char kProperty[] = "string:org.lumivex.Lumivex1.Controller string:Model";

INSTANTIATE_TEST_SUITE_P(
    Calls, BusPolicy,
    ::testing::Values(
        Call{"Introspect", kNobody, "org.freedesktop.DBus.Introspectable.Introspect", "", Answer::Replied},
        Call{"ListControllers", kNobody, "Manager.ListControllers", "", Answer::Replied},
        Call{"Status", kNobody, "Controller.Status", "", Answer::Replied},
        Call{"Save", kNobody, "Controller.Save", "", Answer::Replied},
        Call{"GetVcp", kNobody, "Controller.GetVcp", "byte:16", Answer::Replied},
        Call{"PropertyGet", kNobody, "org.freedesktop.DBus.Properties.Get", kProperty, Answer::Replied},
        Call{"PropertyGetAll", kNobody, "org.freedesktop.DBus.Properties.GetAll", "string:org.lumivex.Lumivex1.Controller",
             Answer::Replied},
        Call{"Set", kNobody, "Controller.Set", "string:input string:dvi uint32:0", Answer::Denied},
        Call{"Apply", kNobody, "Controller.Apply", "string:power=on", Answer::Denied},
        // Reads of a serial controller are exchanges; lumivexd refuses the changes itself.
        Call{"Exchange", kNobody, "Controller.Exchange", "array:byte:4,1,2,3 uint32:0", Answer::Replied},
        Call{"SetVcp", kNobody, "Controller.SetVcp", "byte:16 uint32:5", Answer::Denied},
        Call{"PropertySet", kNobody, "org.freedesktop.DBus.Properties.Set",
             "string:org.lumivex.Lumivex1.Controller string:Model variant:string:K420", Answer::Denied},
        Call{"OwnTheName", kNobody, "Bus.RequestName", "string:org.lumivex.Lumivex1 uint32:0", Answer::Denied},
        Call{"RootSets", kRoot, "Controller.Set", "string:input string:dvi uint32:0", Answer::Replied}),
    [](const ::testing::TestParamInfo<Call>& info) { return std::string(info.param.name); });

}  // namespace
