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

struct Call {
    const char* name;
    bool asNobody;
    QString path;
    QString member;  // interface.member
    QStringList args;
    Answer expected;
};

std::ostream& operator<<(std::ostream& out, const Call& call) { return out << call.name; }

// Functions, not globals: the library's own globals may not be made yet
// while this file's are.
QString controller() { return controllerObjectPath(QStringLiteral("lobby-east")); }
const QString kIface = QString::fromLatin1(kControllerInterface);
const QString kProps = QStringLiteral("org.freedesktop.DBus.Properties");

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
    static QString errorOf(const Call& call, const QString& destination)
    {
        QStringList args{QStringLiteral("--bus=") + QString::fromUtf8(bus->address()), QStringLiteral("--print-reply"),
                         QStringLiteral("--dest=") + destination, call.path, call.member};
        args += call.args;
        QProcess send;
        if (call.asNobody) {
            args.prepend(QStringLiteral("dbus-send"));
            args = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                               QStringLiteral("--clear-groups")}
                   + args;
            send.start(QStringLiteral("setpriv"), args);
        } else {
            send.start(QStringLiteral("dbus-send"), args);
        }
        // The owner answers on this thread's loop; the time-out is a ceiling only.
        QEventLoop loop;
        QObject::connect(&send, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        if (send.state() != QProcess::NotRunning)
            loop.exec();
        EXPECT_EQ(send.state(), QProcess::NotRunning) << "dbus-send did not end";
        if (send.exitStatus() == QProcess::NormalExit && send.exitCode() == 0)
            return {};
        const QString error = QString::fromUtf8(send.readAllStandardError());
        return error.section(QLatin1Char(' '), 1, 1).section(QLatin1Char(':'), 0, 0);
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
    const Call& call = GetParam();
    const bool owning = call.member == QLatin1String("org.freedesktop.DBus.RequestName");
    const QString error =
        errorOf(call, owning ? QStringLiteral("org.freedesktop.DBus") : QString::fromLatin1(kServiceName));
    if (call.expected == Answer::Denied) {
        EXPECT_EQ(error, QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    } else {
        // The owner has no objects: an error of its own proves the call reached it.
        EXPECT_TRUE(error.isEmpty() || error.startsWith(QStringLiteral("org.freedesktop.DBus.Error.Unknown")))
            << error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, BusPolicy,
    ::testing::Values(
        Call{"Introspect", true, QString::fromLatin1(kManagerPath), QStringLiteral("org.freedesktop.DBus.Introspectable.Introspect"), {}, Answer::Replied},
        Call{"ListControllers", true, QString::fromLatin1(kManagerPath),
             QString::fromLatin1(kManagerInterface) + QStringLiteral(".ListControllers"), {}, Answer::Replied},
        Call{"Status", true, controller(), kIface + QStringLiteral(".Status"), {}, Answer::Replied},
        Call{"Save", true, controller(), kIface + QStringLiteral(".Save"), {}, Answer::Replied},
        Call{"GetVcp", true, controller(), kIface + QStringLiteral(".GetVcp"), {QStringLiteral("byte:16")}, Answer::Replied},
        Call{"PropertyGet", true, controller(), kProps + QStringLiteral(".Get"),
             {QStringLiteral("string:") + kIface, QStringLiteral("string:Model")}, Answer::Replied},
        Call{"PropertyGetAll", true, controller(), kProps + QStringLiteral(".GetAll"), {QStringLiteral("string:") + kIface},
             Answer::Replied},
        Call{"Set", true, controller(), kIface + QStringLiteral(".Set"),
             {QStringLiteral("string:input"), QStringLiteral("string:dvi"), QStringLiteral("uint32:0")}, Answer::Denied},
        Call{"Apply", true, controller(), kIface + QStringLiteral(".Apply"), {QStringLiteral("string:")}, Answer::Denied},
        Call{"Exchange", true, controller(), kIface + QStringLiteral(".Exchange"),
             {QStringLiteral("array:byte:4,1,2,3"), QStringLiteral("uint32:0")}, Answer::Denied},
        Call{"SetVcp", true, controller(), kIface + QStringLiteral(".SetVcp"),
             {QStringLiteral("byte:16"), QStringLiteral("uint32:5")}, Answer::Denied},
        Call{"PropertySet", true, controller(), kProps + QStringLiteral(".Set"),
             {QStringLiteral("string:") + kIface, QStringLiteral("string:Model"), QStringLiteral("variant:string:K420")},
             Answer::Denied},
        Call{"OwnTheName", true, QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus.RequestName"),
             {QStringLiteral("string:") + QString::fromLatin1(kServiceName), QStringLiteral("uint32:0")}, Answer::Denied},
        Call{"RootSets", false, controller(), kIface + QStringLiteral(".Set"),
             {QStringLiteral("string:input"), QStringLiteral("string:dvi"), QStringLiteral("uint32:0")}, Answer::Replied}),
    [](const ::testing::TestParamInfo<Call>& info) { return std::string(info.param.name); });

}  // namespace
