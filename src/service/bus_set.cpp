#include "service/bus_set.h"

#include "control/outcome.h"
#include "control/settings.h"
#include "control/setup_plan.h"
#include "control/value_names.h"

namespace lumivex::service {

using namespace control;

namespace {

[[noreturn]] void refuse(const QString& line)
{
    fail(kExitUsage, line);
}

int pick(const char* what, const QStringList& names, const QString& value)
{
    const std::optional<int> index = pickName(names, value);
    if (!index)
        refuse(QStringLiteral("set %1 takes %2, not '%3'").arg(QLatin1String(what), names.join(QLatin1Char('|')), value));
    return *index;
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

SetCheck setMaskValue(Session& session, const QString& value)
{
    const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const Mask mask = Mask(pick("mask", maskNames(), words.value(0)));
    if (mask != Mask::On) {
        if (words.size() > 1)
            refuse(QStringLiteral("set mask off takes no options"));
        return setMask(session, mask);
    }
    const MaskTenths tenths = maskTenths(session, maskOptions(words));
    switch (tenths.refusal) {
    case MaskRefusal::None:
        break;
    case MaskRefusal::ModelUnknown:
        refuse(QStringLiteral("the model is unknown, so the sizes give no mask; give --h and --v instead"));
    case MaskRefusal::NoMaskFromSizes:
        refuse(QStringLiteral("--viewable: these sizes give no mask; the viewable width and height must be above 0"));
    case MaskRefusal::NoMaskFromPercent:
        refuse(QStringLiteral("--h and --v give no mask"));
    case MaskRefusal::AboveLimit:
        refuse(QStringLiteral("the sizes give a mask above the %1 % the device masks").arg(double(kMaxMaskPercent)));
    }
    return setMask(session, mask, tenths.state);
}

GpoChange gpoChange(const QString& value)
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

SetCheck send(Session& session, const QString& setting, const QString& value, bool verify)
{
    if (setting == QLatin1String("input"))
        return setInput(session, Input(pick("input", inputNames(), value)));
    if (setting == QLatin1String("power"))
        return setPower(session, Power(pick("power", powerNames(), value)));
    if (setting == QLatin1String("osd"))
        return setOsd(session, Osd(pick("osd", osdNames(), value)));
    if (setting == QLatin1String("rotation"))
        return setRotation(session, Rotation(pick("rotation", rotationNames(), value)), verify);
    if (setting == QLatin1String("gpo"))
        return setGpo(session, gpoChange(value));
    if (setting == QLatin1String("resolution")) {
        const std::optional<int32_t> index = pickListed(resolutionLabels(), value);
        if (!index || *index >= resolutionLabels().size())
            refuse(QStringLiteral("set resolution takes one of %1 or 0..%2, not '%3'")
                       .arg(resolutionLabels().join(QLatin1Char(' ')))
                       .arg(resolutionLabels().size() - 1)
                       .arg(value));
        return setResolution(session, *index);
    }
    if (setting == QLatin1String("layout")) {
        const QStringList labels = displayModeLabels(session.model());
        const std::optional<int> index = pickLabel(labels, value);
        if (!index)
            refuse(QStringLiteral("set layout takes one of %1, not '%2'")
                       .arg(labels.isEmpty() ? QStringLiteral("(no model known)") : labels.join(QLatin1Char(' ')), value));
        return setLayout(session, *index);
    }
    if (setting == QLatin1String("mask"))
        return setMaskValue(session, value);
    refuse(QStringLiteral("set takes one of %1, not '%2'").arg(settingNames().join(QStringLiteral(", ")), setting));
}

}  // namespace

const QStringList& settingNames()
{
    static const QStringList names{"input", "power", "osd", "rotation", "gpo", "resolution", "layout", "mask"};
    return names;
}

void setSetting(Session& session, const QString& setting, const QString& value, bool verify)
{
    const QString what = setting.toLower();
    const SetCheck check = send(session, what, value, verify);
    if (!check || !verify)
        return;
    const QStringList missed = mismatchLines(readBack(session, *check));
    if (!missed.isEmpty())
        fail(kExitNotVerified, QStringLiteral("%1: set %2 did not take: %3")
                                   .arg(session.linkId(), what, missed.join(QStringLiteral("; "))));
}

}  // namespace lumivex::service
