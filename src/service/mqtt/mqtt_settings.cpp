#include "service/mqtt/mqtt_settings.h"

#include "control/outcome.h"
#include "control/settings_sections.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QUrl>

namespace lumivex::service::mqtt {

namespace {

constexpr qint64 kMaxPasswordFile = 4096;
constexpr quint16 kPlainPort = 1883;
constexpr quint16 kTlsPort = 8883;

const QRegularExpression& safeId()
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return pattern;
}

using Reader = control::SettingsPlace;

int number(const Reader& at, const QString& key, const QString& value, int low, int high)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < low || n > high)
        at.refuse(QStringLiteral("%1 takes a whole number from %2 to %3, not '%4'").arg(key).arg(low).arg(high).arg(value));
    return n;
}

bool yesNo(const Reader& at, const QString& key, const QString& value)
{
    if (value.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0)
        return true;
    if (value.compare(QLatin1String("no"), Qt::CaseInsensitive) == 0)
        return false;
    at.refuse(QStringLiteral("%1 takes yes or no, not '%2'").arg(key, value));
}

QString level(const Reader& at, const QString& key, const QString& value)
{
    if (const auto problem = topicLevelProblem(value))
        at.refuse(QStringLiteral("%1: %2").arg(key, *problem));
    return value;
}

void broker(const Reader& at, const QString& value, MqttSettings& s)
{
    const QUrl url(value, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    const bool known = scheme == QLatin1String("mqtt") || scheme == QLatin1String("mqtts");
    const bool bare = url.userInfo().isEmpty() && (url.path().isEmpty() || url.path() == QLatin1String("/"))
                      && !url.hasQuery() && !url.hasFragment();
    if (!url.isValid() || !known || url.host().isEmpty() || !bare || url.port() == 0)
        at.refuse(QStringLiteral("Broker takes mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not '%1'").arg(value));
    s.tls = scheme == QLatin1String("mqtts");
    s.host = url.host();
    s.port = quint16(url.port(s.tls ? kTlsPort : kPlainPort));
}

}  // namespace

std::optional<QString> topicLevelProblem(const QString& level)
{
    if (level.isEmpty())
        return QStringLiteral("a topic level must not be empty");
    for (const QChar c : {QChar(u'+'), QChar(u'#'), QChar(u'/'), QChar(0)})
        if (level.contains(c))
            return QStringLiteral("'%1' is one topic level, without '+', '#', '/' or NUL").arg(level);
    if (level.startsWith(QLatin1Char('$')))
        return QStringLiteral("'%1' must not start with '$' (the broker's own topics)").arg(level);
    return std::nullopt;
}

QString nodeIdFromHostName(const QString& hostName)
{
    QString id;
    for (const QChar c : hostName)
        id += safeId().match(QString(c)).hasMatch() ? c : QLatin1Char('_');
    return id.isEmpty() ? QStringLiteral("lumivexd") : id;
}

std::optional<MqttSettings> parseMqttSettings(const QString& path, const QString& text, const QString& hostName)
{
    MqttSettings s;
    bool seen = false;
    int sectionLine = 0;
    QHash<QString, int> given;  // key (lower case) -> line
    const auto section = [&](const QString& name, const Reader& at) {
        const bool mqtt = control::isKey(name, "MQTT");
        if (mqtt && !seen) {
            seen = true;
            sectionLine = at.line;
        }
        return mqtt;
    };
    const auto entry = [&](const QString& key, const QString& value, const Reader& at) {
        if (value.isEmpty())
            at.refuse(QStringLiteral("%1 has no value").arg(key));
        const auto is = [&key](const char* name) { return control::isKey(key, name); };
        if (given.contains(key.toLower()))
            at.refuse(QStringLiteral("%1 is given twice (first on line %2)").arg(key).arg(given.value(key.toLower())));
        given.insert(key.toLower(), at.line);
        if (is("Broker"))
            broker(at, value, s);
        else if (is("Base Topic"))
            s.baseTopic = level(at, key, value);
        else if (is("Node Id")) {
            if (!safeId().match(value).hasMatch())
                at.refuse(QStringLiteral("Node Id takes letters, digits, '-' and '_', not '%1'").arg(value));
            s.nodeId = value;
        } else if (is("Client Id"))
            s.clientId = value;
        else if (is("User"))
            s.user = value;
        else if (is("Password File"))
            s.passwordFile = value;
        else if (is("CA File"))
            s.caFile = value;
        else if (is("Cert File"))
            s.certFile = value;
        else if (is("Key File"))
            s.keyFile = value;
        else if (is("Keep Alive s"))
            s.keepAliveS = number(at, key, value, 5, 65535);
        else if (is("Write Interval ms"))
            s.writeIntervalMs = number(at, key, value, 0, 60000);
        else if (is("Discovery"))
            s.discovery = yesNo(at, key, value);
        else if (is("Discovery Delay ms"))
            s.discoveryDelayMs = number(at, key, value, 0, 600000);
        else if (is("Retain Discovery"))
            s.retainDiscovery = yesNo(at, key, value);
        else if (is("Discovery Prefix"))
            s.discoveryPrefix = level(at, key, value);
        else  // a misspelt key would be a setting silently not taken
            at.refuse(QStringLiteral("[MQTT] takes Broker, Base Topic, Node Id, Client Id, User, Password File, CA File, "
                                     "Cert File, Key File, Keep Alive s, Write Interval ms, Discovery, Discovery Delay ms, "
                                     "Retain Discovery and Discovery Prefix, not '%1'")
                          .arg(key));
    };
    control::readSettingsSections(path, text, section, entry);
    if (!seen)
        return std::nullopt;

    // The rules between keys name the line of the key that breaks them.
    const auto lineOf = [&](const char* key) { return given.value(QString::fromLatin1(key).toLower(), sectionLine); };
    const auto refuseAt = [&](int line, const QString& why) { Reader{path, line}.refuse(why); };
    if (!given.contains(QStringLiteral("broker")))
        refuseAt(sectionLine, QStringLiteral("[MQTT] needs Broker = mqtt://HOST[:PORT] or mqtts://HOST[:PORT]"));
    if (!s.tls)
        for (const char* key : {"CA File", "Cert File", "Key File"})
            if (given.contains(QString::fromLatin1(key).toLower()))
                refuseAt(lineOf(key), QStringLiteral("%1 is for a broker reached over TLS (mqtts://)").arg(QLatin1String(key)));
    if (s.certFile.isEmpty() != s.keyFile.isEmpty())
        refuseAt(lineOf(s.certFile.isEmpty() ? "Key File" : "Cert File"), QStringLiteral("Cert File and Key File go together"));
    if (!s.passwordFile.isEmpty() && s.user.isEmpty())
        refuseAt(lineOf("Password File"), QStringLiteral("Password File needs User"));

    if (s.baseTopic.isEmpty())
        s.baseTopic = QStringLiteral("lumivex");
    if (s.nodeId.isEmpty())
        s.nodeId = nodeIdFromHostName(hostName);
    if (s.clientId.isEmpty())
        s.clientId = QStringLiteral("lumivexd-") + s.nodeId;
    if (s.discoveryPrefix.isEmpty())
        s.discoveryPrefix = QStringLiteral("homeassistant");
    return s;
}

QString readPasswordFile(const QString& path, QString& why)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        why = QStringLiteral("%1: no such file (the MQTT password)").arg(path);
        return {};
    }
    if (!info.isFile() || info.size() > kMaxPasswordFile) {
        why = QStringLiteral("%1: the MQTT password file is a regular file of at most %2 bytes").arg(path).arg(kMaxPasswordFile);
        return {};
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("%1: %2").arg(path, file.errorString());
        return {};
    }
    QByteArray first = file.readLine();
    while (first.endsWith('\n') || first.endsWith('\r'))
        first.chop(1);
    if (first.isEmpty()) {
        why = QStringLiteral("%1: the first line holds no password").arg(path);
        return {};
    }
    return QString::fromUtf8(first);
}

}  // namespace lumivex::service::mqtt
