#include "control/settings_sections.h"

#include "control/outcome.h"

#include <QStringList>

namespace lumivex::control {

void SettingsPlace::refuse(const QString& why) const
{
    fail(kExitUsage, QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(why));
}

void readSettingsSections(const QString& path, const QString& text,
                          const std::function<bool(const QString& name, const SettingsPlace& at)>& section,
                          const std::function<void(const QString& key, const QString& value, const SettingsPlace& at)>& entry)
{
    SettingsPlace at{path};
    QString current;
    bool wanted = false;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        ++at.line;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                at.refuse(QStringLiteral("a section header ends with ']'"));
            current = line.mid(1, line.size() - 2).trimmed();
            wanted = section(current, at);
            continue;
        }
        if (!wanted)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)  // no key is no line of a section either
            at.refuse(QStringLiteral("a line of [%1] is 'Key = value'").arg(current));
        entry(line.left(equals).trimmed(), line.mid(equals + 1).trimmed(), at);
    }
}

bool isKey(const QString& key, const char* name)
{
    return key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

}  // namespace lumivex::control
