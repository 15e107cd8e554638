// controllers.ini and lumivexd's other files: what a site writes is read
// as it means, and every refusal names the file and the line; names reach
// the bus and come back.

#include "control/inventory.h"
#include "control/outcome.h"
#include "control/service_names.h"
#include "control/settings_sections.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace lumivex::control;

namespace {

const QString kFile = QStringLiteral("/etc/lumivex/controllers.ini");

QString refusal(const QString& text)
{
    try {
        parseInventory(kFile, text);
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.code, kExitUsage);
        return failure.line;
    }
    return {};
}

}  // namespace

// Each kind of line, as the sections wanted ("S") are given it: headers and
// keys trimmed, comments and other sections' lines passed over, a line
// without a key refused at its place.
TEST(SettingsSections, EachKindOfLineIsReadOrRefusedAtItsPlace)
{
    const std::pair<const char*, const char*> rows[] = {
        {"[ S ]\n  k  =  v  \n", "[S] k=v"},
        {"[S]\n# c\n; c\n\t# c\n\nk=v\n", "[S] k=v"},
        {"k=v\n[S]\n", "[S]"},
        {"[Other]\nno key here\n[S]\nk=a = b\r\n", "[Other] [S] k=a = b"},
        {"[S]\nk=\n", "[S] k="},
        {"[S]\n= v\n", "F:2: a line of [S] is 'Key = value'"},
        {"[S]\n\nk\n", "F:3: a line of [S] is 'Key = value'"},
        {"[S]\n[S\n", "F:2: a section header ends with ']'"},
    };
    for (const auto& [text, wanted] : rows) {
        QStringList read;
        try {
            readSettingsSections(
                "F", QString::fromUtf8(text),
                [&](const QString& name, const SettingsPlace&) {
                    read << "[" + name + "]";
                    return name == QLatin1String("S");
                },
                [&](const QString& key, const QString& value, const SettingsPlace&) { read << key + "=" + value; });
        } catch (const Failure& failure) {
            read = {failure.line};
        }
        EXPECT_EQ(read.join(' ').toStdString(), wanted) << text;
    }
}

TEST(Inventory, ReadsControllersAndIgnoresOtherSections)
{
    const Inventory inventory = parseInventory(kFile, QStringLiteral(
        "; the lobby\n"
        "[Controller lobby-east]\n"
        "Link = rfc2217://10.0.0.5:4001\n"
        "[Ports]\n"
        "COM1 = /dev/ttyUSB0\n"
        "[Controller lobby_west]\n"
        "  link=com1  \n"
        "Poll s = 30\n"
        "[Controller wall3]\n"
        "Link = ddc:2\n"
        "Poll s = 0\n"));
    ASSERT_EQ(inventory.controllers.size(), 3u);
    const InventoryEntry& east = inventory.controllers[0];
    EXPECT_EQ(east.name, "lobby-east");
    EXPECT_EQ(east.link, "rfc2217://10.0.0.5:4001");
    EXPECT_FALSE(east.target.ddc);
    EXPECT_FALSE(east.poll);
    EXPECT_EQ(east.line, 2);
    const InventoryEntry* west = inventory.find(QStringLiteral("lobby_west"));
    ASSERT_TRUE(west);
    EXPECT_EQ(west->target.name, "COM1");
    EXPECT_EQ(west->poll, std::chrono::seconds(30));
    EXPECT_TRUE(inventory.controllers[2].target.ddc);
    EXPECT_EQ(inventory.controllers[2].target.monitor, 2);
    EXPECT_FALSE(inventory.controllers[2].poll);
    EXPECT_FALSE(inventory.find(QStringLiteral("LOBBY-EAST")));
}

TEST(Inventory, RefusalsNameTheFileAndLine)
{
    const struct {
        const char* name;
        const char* text;
        const char* expected;  // the whole line refused
    } rows[] = {
        {"a name that is a port", "[Controller COM3]\nLink = COM1\n",
         "/etc/lumivex/controllers.ini:1: 'COM3' names a link; a controller's name must not"},
        {"a name that is the DDC link", "\n[Controller ddc2bi]\nLink = ddc\n",
         "/etc/lumivex/controllers.ini:2: 'ddc2bi' names a link; a controller's name must not"},
        {"a name with a space", "[Controller lobby east]\nLink = COM1\n",
         "/etc/lumivex/controllers.ini:1: a controller's name is 1 to 64 letters, digits, '-' and '_', not 'lobby east'"},
        {"no name", "[Controller ]\n",
         "/etc/lumivex/controllers.ini:1: a controller's name is 1 to 64 letters, digits, '-' and '_', not ''"},
        {"a name twice", "[Controller a]\nLink = COM1\n[Controller a]\nLink = COM2\n",
         "/etc/lumivex/controllers.ini:3: controller a is named twice"},
        {"no link, before the next section", "[Controller a]\nPoll s = 5\n[Controller b]\nLink = COM2\n",
         "/etc/lumivex/controllers.ini:1: controller a has no Link"},
        {"no link, at the end", "[Controller a]\nLink = COM1\n[Controller b]\n",
         "/etc/lumivex/controllers.ini:3: controller b has no Link"},
        {"a second link", "[Controller a]\nLink = COM1\nLink = COM2\n",
         "/etc/lumivex/controllers.ini:3: controller a has a second Link"},
        {"a link that is none", "[Controller a]\nLink = lpt1\n",
         "/etc/lumivex/controllers.ini:2: --link takes ddc, ddc:N, DDC2Bi, COMn, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT, not 'lpt1'"},
        {"a poll that is no number", "[Controller a]\nLink = COM1\nPoll s = soon\n",
         "/etc/lumivex/controllers.ini:3: Poll s takes whole seconds from 0 (off) to 86400, not 'soon'"},
        {"a negative poll", "[Controller a]\nLink = COM1\nPoll s = -1\n",
         "/etc/lumivex/controllers.ini:3: Poll s takes whole seconds from 0 (off) to 86400, not '-1'"},
        {"a misspelt key", "[Controller a]\nLink = COM1\nPol s = 5\n",
         "/etc/lumivex/controllers.ini:3: a controller takes Link and Poll s, not 'Pol s'"},
        {"a line without '='", "[Controller a]\nLink COM1\n",
         "/etc/lumivex/controllers.ini:2: a line of [Controller a] is 'Key = value'"},
        {"an open header", "[Controller a\n", "/etc/lumivex/controllers.ini:1: a section header ends with ']'"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(refusal(QString::fromUtf8(row.text)).toStdString(), row.expected);
    }
}

TEST(Inventory, EachLimitTakesItsLastValueAndRefusesTheNext)
{
    const QString longest(64, QLatin1Char('w'));
    const struct {
        const char* name;
        QString section;
        QString poll;
        bool taken;
    } rows[] = {
        {"the longest name", longest, QStringLiteral("5"), true},
        {"one letter more", longest + QLatin1Char('w'), QStringLiteral("5"), false},
        {"the longest poll", QStringLiteral("a"), QStringLiteral("86400"), true},
        {"one second more", QStringLiteral("a"), QStringLiteral("86401"), false},
        {"a name that is the ddc link", QStringLiteral("DDC"), QStringLiteral("5"), false},
        {"a name that only starts like one", QStringLiteral("ddc-east"), QStringLiteral("5"), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString text = QStringLiteral("[Controller %1]\nLink = COM1\nPoll s = %2\n").arg(row.section, row.poll);
        EXPECT_EQ(refusal(text).isEmpty(), row.taken) << refusal(text).toStdString();
    }
}

TEST(Inventory, PathComesFromTheArgumentThenTheEnvironment)
{
    qunsetenv(kInventoryEnv);
    EXPECT_EQ(inventoryPath({}), kDefaultInventory);
    qputenv(kInventoryEnv, "/srv/walls.ini");
    EXPECT_EQ(inventoryPath({}), "/srv/walls.ini");
    EXPECT_EQ(inventoryPath(QStringLiteral("mine.ini")), "mine.ini");
    qunsetenv(kInventoryEnv);
    try {
        readInventory(QStringLiteral("/nonexistent/controllers.ini"));
        ADD_FAILURE() << "a missing file was read";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.line, "/nonexistent/controllers.ini: no such file (the named controllers)");
    }
}

TEST(ServiceNames, TheSystemBusUnlessSessionIsAsked)
{
    qunsetenv(kBusEnv);
    EXPECT_FALSE(useSessionBus({}));
    EXPECT_TRUE(useSessionBus(QStringLiteral("session")));
    qputenv(kBusEnv, "session");
    EXPECT_TRUE(useSessionBus({}));
    EXPECT_FALSE(useSessionBus(QStringLiteral("system")));
    qunsetenv(kBusEnv);
}

TEST(ServiceNames, EveryNameRoundTripsThroughItsObjectPath)
{
    // The ends of each plain range, and bytes just outside them.
    const QString names[] = {QStringLiteral("lobby-east"), QStringLiteral("a_b"), QStringLiteral("Wall3"),
                             QStringLiteral("x"), QStringLiteral("é-_"), QStringLiteral("AZaz09"),
                             QStringLiteral("@[`{/:")};
    for (const QString& name : names) {
        const QString path = controllerObjectPath(name);
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(path.startsWith(QLatin1String(kManagerPath)));
        // Only the characters an object path allows.
        for (const QChar c : path)
            EXPECT_TRUE((c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('_') || c == QLatin1Char('/'));
        EXPECT_EQ(controllerNameFromPath(path), name);
    }
    EXPECT_EQ(controllerObjectPath(QStringLiteral("lobby-east")), "/org/lumivex/Lumivex1/controller/lobby_2deast");
    EXPECT_EQ(controllerObjectPath(QStringLiteral("a_b")), "/org/lumivex/Lumivex1/controller/a_5fb");
    EXPECT_EQ(controllerObjectPath(QStringLiteral("AZaz09")), "/org/lumivex/Lumivex1/controller/AZaz09");
    for (const char* path : {"/org/lumivex/Lumivex1", "/org/lumivex/Lumivex1/controller/a_2", "/other/a",
                             "/org/lumivex/Lumivex1/controller/a_zz"})
        EXPECT_EQ(controllerNameFromPath(QString::fromLatin1(path)), QString()) << path;
}
