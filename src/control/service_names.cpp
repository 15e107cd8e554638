#include "control/service_names.h"

namespace lumivex::control {

namespace {

const QString kControllerPrefix = QStringLiteral("/org/lumivex/Lumivex1/controller/");

bool plain(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

int hexValue(QChar c)
{
    return int(QStringLiteral("0123456789abcdef").indexOf(c));
}

}  // namespace

QString controllerObjectPath(const QString& name)
{
    QString path = kControllerPrefix;
    const QByteArray bytes = name.toUtf8();
    if (bytes.isEmpty())
        return path + QLatin1Char('_');  // an object path has no empty element
    for (const char c : bytes) {
        if (plain(c))
            path += QLatin1Char(c);
        else
            path += QStringLiteral("_%1").arg(uint(uint8_t(c)), 2, 16, QLatin1Char('0'));
    }
    return path;
}

QString controllerNameFromPath(const QString& path)
{
    if (!path.startsWith(kControllerPrefix))
        return {};
    const QString escaped = path.mid(kControllerPrefix.size());
    QByteArray bytes;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const QChar c = escaped[i];
        if (c == QLatin1Char('_')) {
            if (i + 2 >= escaped.size())
                return {};
            const int high = hexValue(escaped[i + 1]);
            const int low = hexValue(escaped[i + 2]);
            if (high < 0 || low < 0)
                return {};
            bytes += char(high * 16 + low);
            i += 2;
        } else if (c.unicode() < 128 && plain(char(c.unicode()))) {
            bytes += char(c.unicode());
        } else {
            return {};
        }
    }
    return QString::fromUtf8(bytes);
}

bool useSessionBus(const QString& given)
{
    const QString choice = given.isEmpty() ? qEnvironmentVariable(kBusEnv) : given;
    return choice == QLatin1String("session");
}

}  // namespace lumivex::control
