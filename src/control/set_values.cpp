#include "control/set_values.h"

#include "control/outcome.h"
#include "control/setup_plan.h"
#include "control/value_names.h"

namespace lumivex::control {

namespace {

[[noreturn]] void refuse(const QString& line)
{
    fail(kExitUsage, line);
}

std::pair<double, double> pair(const QString& option, const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool a = false;
    bool b = false;
    const double first = parts.value(0).toDouble(&a);
    const double second = parts.value(1).toDouble(&b);
    if (parts.size() != 2 || !a || !b || first < 0 || second < 0)
        refuse(QStringLiteral("set mask: %1 takes W,H in mm, not '%2'").arg(option, text));
    return {first, second};
}

// "on --h 2.5 --v 3" or "on --bezel 12.5,10 --viewable 500,300".
MaskRequest maskOptions(const QStringList& words)
{
    MaskRequest r;
    for (qsizetype i = 1; i < words.size(); i += 2) {
        const QString& option = words[i];
        if (i + 1 >= words.size())
            refuse(QStringLiteral("set mask: %1 needs a value").arg(option));
        const QString& text = words[i + 1];
        bool number = false;
        const float percent = text.toFloat(&number);
        if (option == QLatin1String("--h") || option == QLatin1String("--v")) {
            if (!number || percent < 0 || percent > 10)
                refuse(QStringLiteral("set mask: %1 takes a percentage from 0 to 10, not '%2'").arg(option, text));
            (option == QLatin1String("--h") ? r.h : r.v) = percent;
        } else if (option == QLatin1String("--bezel")) {
            r.bezel = pair(option, text);
        } else if (option == QLatin1String("--viewable")) {
            r.viewable = pair(option, text);
        } else {
            refuse(QStringLiteral("set mask on takes --h, --v, --bezel and --viewable, not '%1'").arg(option));
        }
    }
    if (bool(r.bezel) != bool(r.viewable))
        refuse(QStringLiteral("set mask: --bezel and --viewable go together"));
    return r;
}

}  // namespace

const QStringList& settingNames()
{
    static const QStringList names{"input", "power", "osd", "rotation", "gpo", "resolution", "layout", "mask"};
    return names;
}

int pickSetName(const char* what, const QStringList& names, const QString& value)
{
    const std::optional<int> index = pickName(names, value);
    if (!index)
        refuse(QStringLiteral("set %1 takes %2, not '%3'").arg(QLatin1String(what), names.join(QLatin1Char('|')), value));
    return *index;
}

GpoChange parseGpoValue(const QString& value)
{
    GpoChange change;
    change.bits = parseBits(value);
    const QStringList one = value.split(QLatin1Char('='));
    bool numbered = false;
    change.output = one.value(0).toInt(&numbered);
    const std::optional<int> on = one.size() == 2 ? pickName(powerNames(), one[1]) : std::nullopt;
    if (!change.bits && !(numbered && change.output >= 1 && change.output <= 4 && on))
        refuse(QStringLiteral("set gpo takes four digits 0|1 (GPO-4 first) or N=on|off with N 1..4, not '%1'").arg(value));
    change.on = on == 1;
    return change;
}

int32_t parseResolutionValue(const QString& value)
{
    const std::optional<int32_t> index = pickListed(resolutionLabels(), value);
    if (!index || *index >= resolutionLabels().size())
        refuse(QStringLiteral("set resolution takes one of %1 or 0..%2, not '%3'")
                   .arg(resolutionLabels().join(QLatin1Char(' ')))
                   .arg(resolutionLabels().size() - 1)
                   .arg(value));
    return *index;
}

int32_t parseLayoutValue(const QString& value, int32_t model)
{
    const QStringList labels = displayModeLabels(model);
    const std::optional<int> index = pickLabel(labels, value);
    if (!index)
        refuse(QStringLiteral("set layout takes one of %1, not '%2'")
                   .arg(labels.isEmpty() ? QStringLiteral("(no model known)") : labels.join(QLatin1Char(' ')), value));
    return *index;
}

MaskSetting parseMaskValue(const QString& value)
{
    const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    MaskSetting s;
    s.mask = Mask(pickSetName("mask", maskNames(), words.value(0)));
    if (s.mask != Mask::On) {
        if (words.size() > 1)
            refuse(QStringLiteral("set mask off takes no options"));
        return s;
    }
    s.request = maskOptions(words);
    return s;
}

}  // namespace lumivex::control
